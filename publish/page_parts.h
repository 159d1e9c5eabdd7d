// The published page's template, script and style sheet (web/page/), built into the program so
// that publishing needs no file beside the web engine.
#pragma once

#include "engine/authoring/publish_page.h"

namespace fablewick {

PageParts BuiltInPageParts();

}  // namespace fablewick
