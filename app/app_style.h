// The application's style: the platform's own, with the arrows of toolbar and menu bar
// extensions drawn in code. The style would read them from image files, and reading an
// image file without a known format loads every image format plugin with its libraries,
// which is most of what start-up costs beyond an empty window.
#pragma once

namespace zirt {

// Installs the style; call once the application object exists, before any window.
void InstallApplicationStyle();

}  // namespace zirt
