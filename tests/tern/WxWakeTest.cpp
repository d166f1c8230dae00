#include "tern/WxWake.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/apptrait.h>
#include <wx/evtloop.h>
#include <wx/init.h>

#include <memory>
#include <thread>
#include <vector>

#include "tern/Crc32.h"
#include "tern/EventDispatcher.h"
#include "tern/EventReceiver.h"
#include "tern/SignalEvent.h"

using Tern::CountedPtr;
using Tern::Event;

namespace {

constexpr int eventCount = 20000;

class CountEvent : public Event {
 public:
  static constexpr std::uint32_t id = Tern::eventTypeId("WxWakeTest::CountEvent");
  CountEvent(Tern::EventReceiver* receiver, int value) : Event(id, receiver), number(value) {}
  const int number;
};

class LoopReceiver : public Tern::EventReceiver {
 public:
  explicit LoopReceiver(wxEventLoopBase& eventLoop) : loop(eventLoop) {}

  void receive(CountedPtr<Event> event) override {
    if (event->type() != CountEvent::id) return;
    if (std::this_thread::get_id() != loopThread) ++offThread;
    const int number = static_cast<const CountEvent&>(*event).number;
    if (number != next) ++outOfOrder;
    next = number + 1;
    if (next == eventCount) loop.ScheduleExit();
  }

  wxEventLoopBase& loop;
  std::thread::id loopThread = std::this_thread::get_id();
  int next = 0;
  int outOfOrder = 0;
  int offThread = 0;
};

}  // namespace

TEST(WxWakeTest, TheFailureTextsAreThoseOfTheWakeMechanism) {
  EXPECT_STREQ(Tern::WxWake::ExcNotInitialised().what(), "Tern::MessageWindow not initialised");
  EXPECT_STREQ(Tern::WxWake::ExcPostFailed().what(), "Tern::MessageWindow post failed");
}

TEST(WxWakeTest, WithoutAnApplicationTheWakeFails) {
  ASSERT_EQ(wxAppConsole::GetInstance(), nullptr);
  Tern::QueueDispatch dispatcher(&Tern::WxWake::wake);
  EXPECT_THROW(Tern::WxWake::wake(dispatcher), Tern::WxWake::ExcNotInitialised);
}

TEST(WxWakeTest, EventsPostedByAWorkerAreDeliveredInOrderOnTheLoopThread) {
  const wxInitializer initializer;
  ASSERT_TRUE(initializer.IsOk());
  wxAppConsole* const app = wxAppConsole::GetInstance();
  ASSERT_NE(app, nullptr);
  const std::unique_ptr<wxEventLoopBase> loop(app->GetTraits()->CreateEventLoop());
  Tern::EventDispatcher::install(new Tern::QueueDispatch(&Tern::WxWake::wake));
  {
    LoopReceiver receiver(*loop);
    std::thread worker([&receiver] {
      for (int i = 0; i < eventCount; ++i) (new CountEvent(&receiver, i))->post();
    });
    // Ends the loop should the events never all arrive, so that the test fails instead of hanging.
    Tern::SignalEvent finished(Tern::SignalEvent::Reset::manual);
    std::thread watchdog([&] {
      if (!finished.wait(60000)) app->CallAfter([&] { loop->ScheduleExit(); });
    });
    loop->Run();
    finished.set();
    watchdog.join();
    worker.join();
    EXPECT_EQ(receiver.next, eventCount);
    EXPECT_EQ(receiver.outOfOrder, 0);
    EXPECT_EQ(receiver.offThread, 0);
  }
  Tern::EventDispatcher::install(nullptr);
}
