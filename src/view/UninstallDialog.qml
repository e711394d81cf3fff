import QtQuick
import Veltrane.Hub

// Asks before an app goes to the Trash. Only a confirmation hands the app on.
AlertDialog {
    id: dialog

    // The app whose uninstall waits for confirmation; null once answered.
    property var app: null

    signal uninstallConfirmed(catalogApp app)

    objectName: "uninstallDialog"
    title: ViewRules.uninstallTitle(dialog.app !== null, dialog.app ? dialog.app.name : "")
    message: ViewRules.uninstallMessage()
    confirmText: qsTr("Move to Trash")
    confirmDestructive: true
    cancelText: qsTr("Cancel")
    onConfirmed: {
        if (dialog.app !== null)
            dialog.uninstallConfirmed(dialog.app)
        dialog.app = null
    }
    onCancelled: dialog.app = null
    onClosed: dialog.app = null
}
