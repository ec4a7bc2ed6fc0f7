#pragma once
// Small helpers shared by the benchmarks: timing, running a reference command, and
// printing a figure beside the reference figure as a ratio.

#include <QString>
#include <functional>

namespace bench {

// Wall-clock seconds of the best of `repeats` runs of `work`.
double BestSeconds(int repeats, const std::function<void()>& work);

// Wall-clock seconds of the best of `repeats` runs of a shell command (run by /bin/sh).
double BestCommandSeconds(int repeats, const QString& command);

// CPU seconds (user + system) this process has used so far.
double CpuSeconds();

// Prints "name: ours X unit, reference Y unit (tool), ratio R" on one line.
void Report(const QString& name, double ours, double reference, const QString& tool,
            const QString& unit = QStringLiteral("s"));

// Prints "name: X unit" on one line, for figures without a reference tool.
void Figure(const QString& name, double value, const QString& unit);

} // namespace bench
