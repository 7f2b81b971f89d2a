#pragma once

#ifndef Q_MOC_RUN // moc 6.4 cannot parse <compare>
#include <compare>
#endif
#include <cstddef>
#include <functional>

namespace lumora {

/// An absolute point in time: seconds since 2001-01-01 00:00:00 UTC, the form every stored file uses.
struct Instant {
    double seconds = 0;

    /// Seconds between the Unix epoch and 2001-01-01 00:00:00 UTC.
    static constexpr double kUnixOffset = 978307200.0;

    static constexpr Instant fromUnixSeconds(double unix) { return Instant{unix - kUnixOffset}; }
    static constexpr Instant fromUnixMillis(double ms) { return Instant{ms / 1000.0 - kUnixOffset}; }
    constexpr double unixSeconds() const { return seconds + kUnixOffset; }
    /// ICU's UDate: milliseconds since the Unix epoch.
    constexpr double unixMillis() const { return (seconds + kUnixOffset) * 1000.0; }

    constexpr Instant operator+(double s) const { return Instant{seconds + s}; }
    constexpr Instant operator-(double s) const { return Instant{seconds - s}; }
    constexpr double operator-(Instant other) const { return seconds - other.seconds; }
    constexpr auto operator<=>(const Instant&) const = default;
};

/// The source of "now". Only SystemClock reads the wall clock; tests and the subcommands' `--at` use
/// ManualClock, the desktop app's `--at` an OffsetClock.
class Clock {
public:
    virtual ~Clock() = default;
    virtual Instant now() const = 0;
};

class SystemClock final : public Clock {
public:
    Instant now() const override;
    static const SystemClock& instance();
};

class ManualClock final : public Clock {
public:
    explicit ManualClock(Instant start = {}) : m_now(start) {}
    Instant now() const override { return m_now; }
    void set(Instant t) { m_now = t; }
    void advance(double seconds) { m_now = m_now + seconds; }

private:
    Instant m_now;
};

/// A clock that reads `start` when made and then runs on at the pace of `base`, so a whole app can live
/// at another moment (a demo at midnight, a benchmark in the entering minute) with every timer, clock jump
/// and wake-up behaving as it does on the real clock.
class OffsetClock final : public Clock {
public:
    /// `base` must outlive the clock.
    explicit OffsetClock(Instant start, const Clock& base = SystemClock::instance())
        : m_base(base), m_offset(start - base.now()) {}
    Instant now() const override { return m_base.now() + m_offset; }
    /// How far this clock runs ahead of `base` (behind when negative), in seconds.
    double offset() const { return m_offset; }

private:
    const Clock& m_base;
    double m_offset;
};

} // namespace lumora

template <> struct std::hash<lumora::Instant> {
    std::size_t operator()(const lumora::Instant& t) const noexcept { return std::hash<double>{}(t.seconds); }
};
