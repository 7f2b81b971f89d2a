#pragma once

#include "model/hijri_date.h"

#include <QStringList>

namespace lumora {
class Settings;
}

namespace lumora::cli {

/// `lumora hijri [DATE] [--json] [--calendar indonesia|ummalqura]`: the Hijri date of DATE (today when
/// absent) and the first days of the next three months. Returns the exit status.
int hijri(const QStringList& args);

} // namespace lumora::cli
