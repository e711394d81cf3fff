import QtQuick
import Veltrane.Hub

// Asks the user to quit the app whose running copy blocked an update. However it closes, the
// coordinator forgets the app, so the alert comes back only with the next blocked update.
AlertDialog {
    objectName: "quitAlert"
    title: ViewRules.quitTitle(UpdateCoordinator.hasAppToQuitFirst, UpdateCoordinator.appToQuitFirst.name)
    message: ViewRules.quitMessage(UpdateCoordinator.hasAppToQuitFirst, UpdateCoordinator.appToQuitFirst.name)
    cancelText: qsTr("OK")
    onClosed: UpdateCoordinator.clearAppToQuitFirst()
    Component.onCompleted: open()
}
