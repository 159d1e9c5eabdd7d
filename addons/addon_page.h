// The add-on page: the add-ons listed in the program folder's AddOns.cfg with their versions and
// links to their About boxes, and the About box itself.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace fablewick {

class AddOnLoader;
class Host;

inline constexpr char kAddOnListFileName[] = "AddOns.cfg";
inline constexpr char kAddOnPageFileName[] = "AddOns.html";
// The routine named in the "Error in ..." box that reports a page that could not be built.
inline constexpr char kAddOnPageRoutine[] = "AddOns display";

struct AddOnPage {
  enum Status {
    kBuilt,   // `html` holds the page
    kNoList,  // there is no AddOns.cfg: nothing is shown, nothing is said
    kFailed,  // `message` holds the text of the error box (RoutineErrorMessage)
  };
  Status status = kNoList;
  std::string html;  // CR LF line ends
  std::string message;
};

// Builds the page from AddOns.cfg in the program folder (UTF-8 or Windows-1252, one add-on a
// line: display name, a comma, identifier), asking each add-on for its Version. An add-on
// without Version shows "Not available"; a line without a comma, an add-on that cannot be
// loaded or a list that cannot be read make the build fail. `color_fg` and `color_bg` are the
// configured text and background colours, inserted as they are.
AddOnPage BuildAddOnPage(const std::filesystem::path& program_folder, std::string_view color_fg,
                         std::string_view color_bg, AddOnLoader* loader);

// Calls the About member of an add-on; a text it gives is shown in a message box titled
// "About " and the identifier. Only a missing About is reported, in a message box;
// any other failure (an add-on that cannot be loaded) passes in silence.
void ShowAddOnAbout(std::string_view identifier, AddOnLoader* loader, Host& host);

}  // namespace fablewick
