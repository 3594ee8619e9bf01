#pragma once

#include <vector>

#include "files/mapfile.h"
#include "state/app.h"

namespace vantrel {

// The commands of the main window that go through a file dialog. Each starts with
// the dialog of its file record and stops quietly when the user cancels it.

// Loads a parameter file; the next plot draws its view.
void loadparamfile(App& app);
// Saves the image (Targa, or PNG for a name ending in .png), then its parameters
// beside it under the same name.
void saveimagefile(App& app);
void saveparamfile(App& app);
// Loads a MAP palette, previewed first when palette preview is on.
void loadmapfile(App& app);

// Shows the file dialog of `r`, starting from its path buffer, and on OK writes
// the chosen path and file name into the record's buffers. `more` adds kinds of
// file to the record's own. False when the user cancelled.
bool choosefile(App& app, const FileRecord& r, const std::vector<FileChoice::Filter>& more = {});

// Draws the whole client area again from the view surface at once, so that what
// a closed dialog covered shows the image before anything else happens.
void redrawnow(App& app);

}  // namespace vantrel
