import QtQuick
import QtQuick.Layouts
import Veltrane.Hub

// The detail pane's buttons: install / update / progress / retry, then Open with the
// more-actions menu. Either row may be absent.
ColumnLayout {
    id: actionsView

    required property catalogApp app
    required property string installedLocation
    required property detailActions actions

    signal uninstallRequested

    spacing: 8
    visible: actions.showsPrimary || actions.showsOpenRow

    HubButton {
        objectName: "primaryButton"
        Layout.fillWidth: true
        visible: actionsView.actions.showsPrimary
        enabled: actionsView.actions.primaryEnabled
        prominent: true
        large: true
        text: actionsView.actions.primaryTitle
        symbol: actionsView.actions.primarySymbol
        onClicked: UpdateCoordinator.install(actionsView.app)
    }

    RowLayout {
        Layout.fillWidth: true
        visible: actionsView.actions.showsOpenRow
        spacing: 6

        HubButton {
            objectName: "openButton"
            Layout.fillWidth: true
            prominent: actionsView.actions.openIsProminent
            large: true
            text: qsTr("Open")
            symbol: "arrow.up.forward.app"
            // Nothing without an installed copy.
            onClicked: UpdateCoordinator.openApp(actionsView.installedLocation)
        }
        MoreActionsMenu {
            objectName: "moreActions"
            MenuEntry {
                objectName: "uninstallItem"
                text: qsTr("Uninstall…")
                symbol: "trash"
                destructive: true
                onTriggered: actionsView.uninstallRequested()
            }
        }
    }
}
