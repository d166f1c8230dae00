#include "shell/DesktopNotices.h"

#include <gio/gio.h>
#include <wx/log.h>
#include <wx/notifmsg.h>

#include <memory>

#include "text/WxText.h"

namespace {

// A main context of the worker's own, current on it, so that the notification library's replies
// and signals are handled on the worker, never on the UI thread's loop.
class WorkerContext {
 public:
  WorkerContext() : context(g_main_context_new()) { g_main_context_push_thread_default(context); }
  ~WorkerContext() {
    g_main_context_pop_thread_default(context);
    g_main_context_unref(context);
  }
  WorkerContext(const WorkerContext&) = delete;
  WorkerContext& operator=(const WorkerContext&) = delete;

  // Handles what the server sent meanwhile, without waiting.
  void drain() {
    while (g_main_context_iteration(context, FALSE) != FALSE) {
    }
  }

 private:
  GMainContext* context;
};

}  // namespace

DesktopNotices::~DesktopNotices() {
  uiThread.assertCurrent("DesktopNotices::~DesktopNotices");
  {
    const std::scoped_lock guard(lock);
    ending = true;
  }
  wake.notify_one();
  if (worker.joinable()) worker.join();
}

void DesktopNotices::show(std::string title, std::string body) {
  uiThread.assertCurrent("DesktopNotices::show");
  {
    const std::scoped_lock guard(lock);
    if (waiting.size() >= waitingAtMost) return;
    waiting.emplace_back(std::move(title), std::move(body));
  }
  if (!worker.joinable()) worker = std::thread([this] { work(); });
  wake.notify_one();
}

void DesktopNotices::work() {
  WorkerContext context;
  // A failure would otherwise be told in a message box, which takes the focus from the window
  // the run types into; this thread's log goes nowhere.
  const wxLogNull quiet;
  for (;;) {
    std::pair<std::string, std::string> notice;
    {
      std::unique_lock guard(lock);
      wake.wait(guard, [this] { return ending || !waiting.empty(); });
      if (ending) return;
      notice = std::move(waiting.front());
      waiting.pop_front();
    }
    wxNotificationMessage message(WxText::fromUtf8(notice.first), WxText::fromUtf8(notice.second));
    message.SetFlags(wxICON_INFORMATION);
    message.Show(wxNotificationMessage::Timeout_Auto);
    context.drain();
  }
}
