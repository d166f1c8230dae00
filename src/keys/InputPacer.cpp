#include "keys/InputPacer.h"

#include <algorithm>

InputPacer::InputPacer(const Settings& chosen) : settings(chosen), allowance(chosen.burstEvents) {}

InputPacer::Step InputPacer::sent(Clock::time_point now) {
  using Seconds = std::chrono::duration<double>;
  if (!started || now > asOf) {
    const double refill = started ? Seconds(now - asOf).count() * settings.eventsPerSecond : settings.burstEvents;
    allowance = std::min(settings.burstEvents, allowance + refill);
    asOf = now;
    started = true;
  }
  allowance -= 1;
  Step step;
  if (allowance < 1) {
    // Once a burst is spent, the wait refills a whole one: the events then go out in bursts,
    // which the compositor passes on in few large writes rather than many small ones that
    // would fill the window's socket with overhead long before its data does.
    step.wait = std::chrono::ceil<Clock::duration>(Seconds((settings.burstEvents - allowance) / settings.eventsPerSecond));
    asOf += step.wait;
    allowance = settings.burstEvents;
  }
  if (++sinceRoundTrip >= settings.eventsPerRoundTrip) {
    sinceRoundTrip = 0;
    step.roundTrip = true;
  }
  return step;
}
