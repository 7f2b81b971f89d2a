// The yardstick for the app's idle memory: a bare QApplication showing one empty QWidget.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(731, 500);
    window.show();
    return app.exec();
}
