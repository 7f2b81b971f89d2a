#pragma once

#include <QProcessEnvironment>

#include <initializer_list>
#include <utility>

namespace lumora::test {

/// An environment holding exactly `variables`, for code that resolves its configuration from one.
inline QProcessEnvironment environment(std::initializer_list<std::pair<const char*, const char*>> variables) {
    QProcessEnvironment env;
    for (const auto& [name, value] : variables)
        env.insert(QString::fromLatin1(name), QString::fromUtf8(value));
    return env;
}

} // namespace lumora::test
