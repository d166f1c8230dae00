#include "controls/CompactChoice.h"

#include <gtk/gtk.h>

CompactChoice::CompactChoice(wxWindow* parent, wxWindowID id, const wxArrayString& entries)
    : wxChoice(parent, id) {
  // Made empty, so that the first measuring has no entries to go through either.
  GtkWidget* shown = gtk_bin_get_child(GTK_BIN(GetHandle()));
  if (shown != nullptr && GTK_IS_CELL_VIEW(shown)) gtk_cell_view_set_fit_model(GTK_CELL_VIEW(shown), FALSE);
  Append(entries);
}
