#include "resources/Resources.h"

#include <wx/image.h>
#include <wx/log.h>
#include <wx/mstream.h>

#include "resources/EmbeddedImages.h"

namespace {

wxImage decode(const EmbeddedImage& entry) {
  if (wxImage::FindHandler(wxBITMAP_TYPE_PNG) == nullptr) wxImage::AddHandler(new wxPNGHandler);
  // A failure shows as an invalid image; the toolkit's log would open a window for it.
  const wxLogNull quiet;
  wxMemoryInputStream stream(entry.png.data(), entry.png.size());
  return wxImage(stream, wxBITMAP_TYPE_PNG);
}

}  // namespace

wxBitmap Resources::bitmap(std::string_view name) {
  const EmbeddedImage* largest = nullptr;
  for (const EmbeddedImage& entry : embeddedImages()) {
    if (entry.name == name) largest = &entry;
  }
  if (largest == nullptr) return {};
  const wxImage image = decode(*largest);
  return image.IsOk() ? wxBitmap(image) : wxBitmap();
}

wxIcon Resources::icon(std::string_view name, int side) {
  for (const EmbeddedImage& entry : embeddedImages()) {
    if (entry.name != name) continue;
    const wxImage image = decode(entry);
    if (image.IsOk() && image.GetWidth() == side && image.GetHeight() == side) {
      wxIcon result;
      result.CopyFromBitmap(wxBitmap(image));
      return result;
    }
  }
  return {};
}

wxIconBundle Resources::iconBundle(std::string_view name) {
  wxIconBundle bundle;
  for (const EmbeddedImage& entry : embeddedImages()) {
    if (entry.name != name) continue;
    const wxImage image = decode(entry);
    if (!image.IsOk()) continue;
    wxIcon size;
    size.CopyFromBitmap(wxBitmap(image));
    bundle.AddIcon(size);
  }
  return bundle;
}
