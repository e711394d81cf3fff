#pragma once

#include <QCoroTask>
#include <QString>

class VeltraneHubApp;

// Drives the window from a script file, for the README's screenshots. Built only with the
// VELTRANE_SCREENSHOT_HOOKS option; the product has no such entry point.
//
// One command a line: "wait <ms>", "select <app id>", "deselect", "search <text>",
// "filter all|featured|updates|<category id>", "refresh", "about", "shot <png>",
// "shot-about <png>", "quit"; for the window itself "smallest" (its minimum size), "focus-grid"
// and "toggle-sidebar"; for the detail pane "install <app id>", "more-actions" (opens the
// pane's menu), "view-screenshot" (the first one, larger) and "resize <width> <height>". Lines
// starting with "#" are skipped.
class ScreenshotScript {
public:
    static QCoro::Task<> run(VeltraneHubApp &hub, QString path);
};
