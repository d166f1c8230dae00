#pragma once

#include <cstdint>

#include "tern/InstanceValidator.h"

// A user of OneShot timers. There is no cancel: a client that no longer wants a notification
// forgets the id and ignores an onOneShotFired whose id differs from the one it holds.
class OneShotClient : public Tern::InstanceValidator {
 public:
  // Any thread.
  OneShotClient();
  // UI thread only.
  ~OneShotClient() override;

  // The timer id, handed out by OneShot::arm for this client, has run out. Called on the UI
  // thread.
  virtual void onOneShotFired(std::uint32_t id) = 0;
};
