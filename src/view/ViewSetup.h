#pragma once

class QQmlEngine;
class QUrl;

// What every engine showing the views needs: the icon provider and the module's import path;
// and the bundled Inter faces, as the application's font.
namespace ViewSetup {

void prepare(QQmlEngine &engine);
// The window's QML, and the content it shows when told to.
QUrl windowUrl();
QUrl contentUrl();

// Adds the bundled faces to the font database and makes them the application's font, once
// per process, on the window's thread. Before the first window: a face added later makes
// every window lay all its text out again.
void loadFonts();

} // namespace ViewSetup
