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

// Adds the bundled Inter faces that the system lacks to the font database, once per process.
// Any thread may do it (the font database is thread-safe), so the window's thread need not
// wait for it.
void addFonts();
// Makes Inter the application's font; on the window's thread, after addFonts().
void useFonts();
// Both, in turn.
void loadFonts();

} // namespace ViewSetup
