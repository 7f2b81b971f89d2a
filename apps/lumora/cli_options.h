#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace lumora::cli {

/// Flags and positionals of one subcommand.
struct Options {
    bool json = false;
    bool watch = false;
    bool follow = false;
    bool waybar = false;
    bool loading = false;
    std::optional<QString> at;
    std::optional<QString> city;
    std::optional<QString> month;
    std::optional<QString> source;
    std::optional<QString> size;
    std::optional<QString> scale;
    QStringList positionals;
    /// The first usage error, in the words printed after "lumora: "; empty when none.
    QString error;
};

/// Reads `args`: `--json` always, the switches named in `switches` (without dashes), and the options named in
/// `valued` as `--name value` or `--name=value`.
Options parseOptions(const QStringList& args, const QStringList& valued, const QStringList& switches = {});

} // namespace lumora::cli
