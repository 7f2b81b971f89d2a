#include "widget_commands.h"

int main(int argc, char** argv) {
    return lumora::widgetcli::run(argc, argv);
}
