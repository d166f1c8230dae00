#include "frame/IdleWork.h"

#include <glib.h>

#include <utility>

IdleWork::IdleWork(std::function<bool()> work) : piece(std::move(work)) {}

IdleWork::~IdleWork() { stop(); }

void IdleWork::start() {
  // Below the toolkit's own events and the descriptors it watches, which go first; level with
  // the toolkit's idle work, which delivers the events posted to the window (a higher priority
  // would starve it), so that the loop runs both at each turn.
  if (source == 0) source = g_idle_add_full(G_PRIORITY_LOW, &IdleWork::onIdle, this, nullptr);
}

void IdleWork::stop() {
  if (source != 0) g_source_remove(source);
  source = 0;
}

int IdleWork::onIdle(void* data) {
  auto* const self = static_cast<IdleWork*>(data);
  const unsigned running = self->source;
  // The piece may stop this work, or stop and start it again (a new source): only the source
  // being run ends here.
  if (self->piece()) return self->source == running ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
  if (self->source == running) self->source = 0;
  return G_SOURCE_REMOVE;
}
