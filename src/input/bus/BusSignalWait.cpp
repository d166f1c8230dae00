#include "input/bus/BusSignalWait.h"

#include <memory>

namespace {

struct SourceDestroy {
  void operator()(GSource* source) const {
    g_source_destroy(source);
    g_source_unref(source);
  }
};

}  // namespace

BusSignalWait::BusSignalWait(GDBusConnection* bus, const char* interface, const char* member, const char* path)
    : connection(bus), context(g_main_context_new()) {
  // GDBus dispatches a subscription's signals on the context that was the thread's default.
  g_main_context_push_thread_default(context.get());
  subscription = g_dbus_connection_signal_subscribe(
      connection, nullptr, interface, member, path, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
      [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant* received, gpointer self) {
        auto& arrived = static_cast<BusSignalWait*>(self)->parameters;
        if (!arrived) arrived.reset(g_variant_ref(received));
      },
      this, nullptr);
  g_main_context_pop_thread_default(context.get());
}

BusSignalWait::~BusSignalWait() { g_dbus_connection_signal_unsubscribe(connection, subscription); }

GVariantPtr BusSignalWait::wait(int timeoutMs) {
  bool timedOut = false;
  const std::unique_ptr<GSource, SourceDestroy> timeout(g_timeout_source_new(static_cast<guint>(timeoutMs)));
  g_source_set_callback(
      timeout.get(),
      [](gpointer flag) {
        *static_cast<bool*>(flag) = true;
        return G_SOURCE_REMOVE;
      },
      &timedOut, nullptr);
  g_source_attach(timeout.get(), context.get());
  while (!parameters && !timedOut) g_main_context_iteration(context.get(), TRUE);
  return std::move(parameters);
}
