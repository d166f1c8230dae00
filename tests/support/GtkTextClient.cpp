// A fullscreen GTK3 window holding one text view, as a native client of whatever display
// GDK_BACKEND names: what a user types into. It reports on stdout, one line each:
//   "focus" when its window gets the keyboard focus, "unfocus" when another window takes it;
//   "clipboard-set" once it has put --clipboard TEXT on the clipboard (at the first focus),
//     as a user's copy before a run;
//   "text: T" at each Escape press, T being everything the view holds, escaped (\\, \n, \t),
//     after which the view is emptied.
// Function keys and mouse presses leave a mark in the text where the cursor is, "<F1>" or
// "<CLICK 1 X Y>" (button 1 left, 2 middle, 3 right; X Y in pixels of the window, which is the
// monitor's when fullscreen), instead of moving the cursor: order and place of everything
// typed stay visible in one string. The toolkit's own key repeat is dropped: the text shows
// the presses the window was sent.

#include <gtk/gtk.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>

namespace {

struct Client {
  GtkTextView* view = nullptr;
  // Keys pressed and not yet released: a press of one of them is the toolkit's own key repeat,
  // which a machine slow enough to hold a key past the repeat delay would add.
  std::set<guint16> held;
  const char* clipboardText = nullptr;
  bool clipboardSet = false;
};

void say(const std::string& line) {
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

std::string escaped(const char* text) {
  std::string out;
  for (const char* p = text; *p != '\0'; ++p) {
    switch (*p) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      default: out += *p;
    }
  }
  return out;
}

void insertMark(const Client& client, const std::string& mark) {
  gtk_text_buffer_insert_at_cursor(gtk_text_view_get_buffer(client.view), mark.c_str(), -1);
}

// A paste is fetched asynchronously; the report waits a little so that a paste asked for
// before the Escape press is in the text.
gboolean reportText(gpointer data) {
  auto* client = static_cast<Client*>(data);
  GtkTextBuffer* buffer = gtk_text_view_get_buffer(client->view);
  GtkTextIter begin;
  GtkTextIter end;
  gtk_text_buffer_get_bounds(buffer, &begin, &end);
  gchar* text = gtk_text_buffer_get_text(buffer, &begin, &end, FALSE);
  say("text: " + escaped(text));
  g_free(text);
  gtk_text_buffer_set_text(buffer, "", -1);
  return G_SOURCE_REMOVE;
}

gboolean onKey(GtkWidget*, GdkEventKey* event, gpointer data) {
  auto* client = static_cast<Client*>(data);
  if (!client->held.insert(event->hardware_keycode).second) return TRUE;
  if (event->keyval == GDK_KEY_Escape) {
    g_timeout_add(300, reportText, client);
    return TRUE;
  }
  if (event->keyval >= GDK_KEY_F1 && event->keyval <= GDK_KEY_F24) {
    insertMark(*client, "<F" + std::to_string(event->keyval - GDK_KEY_F1 + 1) + ">");
    return TRUE;
  }
  return FALSE;
}

gboolean onKeyRelease(GtkWidget*, GdkEventKey* event, gpointer data) {
  static_cast<Client*>(data)->held.erase(event->hardware_keycode);
  return FALSE;
}

gboolean onButton(GtkWidget* widget, GdkEventButton* event, gpointer data) {
  if (event->type != GDK_BUTTON_PRESS) return TRUE;
  int x = 0;
  int y = 0;
  gtk_widget_translate_coordinates(widget, gtk_widget_get_toplevel(widget), static_cast<int>(event->x),
                                   static_cast<int>(event->y), &x, &y);
  insertMark(*static_cast<Client*>(data),
             "<CLICK " + std::to_string(event->button) + " " + std::to_string(x) + " " + std::to_string(y) + ">");
  return TRUE;
}

gboolean onFocus(GtkWidget*, GdkEventFocus*, gpointer data) {
  auto* client = static_cast<Client*>(data);
  say("focus");
  if (client->clipboardText != nullptr && !client->clipboardSet) {
    client->clipboardSet = true;
    gtk_clipboard_set_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), client->clipboardText, -1);
    // The compositor holds the selection before the report, which the test acts on at once.
    gdk_display_sync(gdk_display_get_default());
    say("clipboard-set");
  }
  return FALSE;
}

gboolean onFocusOut(GtkWidget*, GdkEventFocus*, gpointer) {
  say("unfocus");
  return FALSE;
}

}  // namespace

int main(int argc, char** argv) {
  gtk_init(&argc, &argv);
  Client client;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--clipboard") == 0) client.clipboardText = argv[i + 1];
  }
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), "text view");
  GtkWidget* view = gtk_text_view_new();
  client.view = GTK_TEXT_VIEW(view);
  gtk_container_add(GTK_CONTAINER(window), view);
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
  g_signal_connect(view, "key-press-event", G_CALLBACK(onKey), &client);
  g_signal_connect(view, "key-release-event", G_CALLBACK(onKeyRelease), &client);
  g_signal_connect(view, "button-press-event", G_CALLBACK(onButton), &client);
  g_signal_connect(window, "focus-in-event", G_CALLBACK(onFocus), &client);
  g_signal_connect(window, "focus-out-event", G_CALLBACK(onFocusOut), nullptr);
  gtk_window_fullscreen(GTK_WINDOW(window));
  gtk_widget_show_all(window);
  gtk_widget_grab_focus(view);
  gtk_main();
  return 0;
}
