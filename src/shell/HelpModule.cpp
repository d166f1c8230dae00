#include "shell/HelpModule.h"

#include <wx/dynlib.h>
#include <wx/module.h>

#include <system_error>
#include <utility>
#include <vector>

#include "text/WxText.h"

namespace {

constexpr const char* factoryName = "zentak_make_help_viewer";
using Factory = decltype(&zentak_make_help_viewer);

// The toolkit starts the parts of its libraries that need it (the HTML library's tag handlers and
// page filters, for two) when the program starts and ends them when it ends, but never starts
// those of a library loaded later. Those are started here, once, and ended with the toolkit's own.
class LateParts final : public wxModule {
 public:
  // Starts the parts of the libraries loaded since known.
  static void startSince(const wxClassInfo* known) {
    for (const wxClassInfo* info = wxClassInfo::GetFirst(); info != known; info = info->GetNext()) {
      if (!info->IsKindOf(wxCLASSINFO(wxModule))) continue;
      std::unique_ptr<wxModule> part(dynamic_cast<wxModule*>(info->CreateObject()));
      if (part && part->Init()) started().push_back(std::move(part));
    }
  }

  bool OnInit() override { return true; }
  void OnExit() override {
    while (!started().empty()) {
      started().back()->Exit();
      started().pop_back();
    }
  }

 private:
  static std::vector<std::unique_ptr<wxModule>>& started() {
    static std::vector<std::unique_ptr<wxModule>> parts;
    return parts;
  }

  wxDECLARE_DYNAMIC_CLASS(LateParts);
};

wxIMPLEMENT_DYNAMIC_CLASS(LateParts, wxModule);

}  // namespace

std::string_view HelpModule::fileName() { return ZENTAK_HELP_MODULE_FILE; }

std::filesystem::path HelpModule::locate(const std::filesystem::path& programFolder) {
  std::error_code error;
  for (const std::filesystem::path& candidate :
       {programFolder / fileName(), programFolder.parent_path() / ZENTAK_HELP_MODULE_DIR / fileName()}) {
    if (std::filesystem::is_regular_file(candidate, error)) return candidate;
  }
  return {};
}

HelpModule::HelpModule(std::filesystem::path file) : path(std::move(file)) {}

std::unique_ptr<HelpViewer> HelpModule::makeViewer(wxWindow* owner) const {
  uiThread.assertCurrent("HelpModule::makeViewer");
  const wxClassInfo* const known = wxClassInfo::GetFirst();
  wxDynamicLibrary library;
  if (!library.Load(WxText::fromUtf8(path.string()), wxDL_NOW | wxDL_VERBATIM | wxDL_QUIET)) return nullptr;
  LateParts::startSince(known);
  void* const factory = library.HasSymbol(factoryName) ? library.GetSymbol(factoryName) : nullptr;
  library.Detach();
  if (factory == nullptr) return nullptr;
  return std::unique_ptr<HelpViewer>(reinterpret_cast<Factory>(factory)(owner));
}
