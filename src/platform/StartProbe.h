#pragma once
// A measure of the start for the start-up benchmark (bench/startup), off unless asked for.
//
// With the environment variable TRAVODEX_START_PROBE set (to anything), the first time
// the event loop is about to sleep after `window` has painted while `ready()` held, one
// line goes to the standard error output:
//
//     start-idle NS RSS
//
// NS being the monotonic clock (CLOCK_MONOTONIC, as std::chrono::steady_clock) in
// nanoseconds and RSS the resident bytes of the process at that moment. Nothing more is
// printed or watched after it. Without the variable the call does nothing.

#include <functional>

class QWidget;

namespace platform
{

// `ready` (none: always) says when the window shows what the start is waiting for, e.g.
// the panels' rows. Call after the window exists, before the event loop runs.
void ProbeStartIdle(QWidget* window, std::function<bool()> ready = {});

} // namespace platform
