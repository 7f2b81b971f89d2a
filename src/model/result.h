#pragma once

#include <QString>

#include <optional>
#include <utility>

namespace lumora {

/// A value or the reason there is none. Failures travel as values; nothing here throws.
template <class T> class Result {
public:
    static Result ok(T value) {
        Result r;
        r.m_value = std::move(value);
        return r;
    }
    static Result fail(QString message) {
        Result r;
        r.m_error = std::move(message);
        return r;
    }

    bool hasValue() const { return m_value.has_value(); }
    explicit operator bool() const { return hasValue(); }
    const T& value() const& { return *m_value; }
    T&& value() && { return std::move(*m_value); }
    const T& operator*() const& { return *m_value; }
    const T* operator->() const { return &*m_value; }
    const QString& error() const { return m_error; }
    std::optional<T> toOptional() const& { return m_value; }

private:
    std::optional<T> m_value;
    QString m_error;
};

} // namespace lumora
