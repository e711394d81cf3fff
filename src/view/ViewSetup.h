#pragma once

class QQmlEngine;

// What every engine showing the views needs: the icon provider and the module's import path.
// The fonts are loaded once per process by loadFonts().
namespace ViewSetup {

void prepare(QQmlEngine &engine);
// Adds the bundled Inter faces and makes Inter the application's font. Returns the family.
void loadFonts();

} // namespace ViewSetup
