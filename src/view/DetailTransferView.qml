import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Veltrane.Hub

// The app's download under the primary button, for an install as much as for a pre-download:
// a thin bar, how far it has come, and Cancel. Present while the coordinator publishes a
// transfer for the app; it reads the record again on each of the coordinator's reports.
RowLayout {
    id: transferView

    required property catalogApp app

    property bool active: false
    property transfer record

    function reload() {
        active = UpdateCoordinator.hasTransfer(app.id)
        if (active)
            record = UpdateCoordinator.transfer(app.id)
    }

    visible: active
    spacing: 10
    // Another app in the same pane brings its own download, or none.
    onAppChanged: reload()
    Component.onCompleted: reload()

    Connections {
        target: UpdateCoordinator
        function onTransferChanged(appID: string) {
            if (appID === transferView.app.id)
                transferView.reload()
        }
    }

    ColumnLayout {
        Layout.fillWidth: true
        spacing: 4

        ProgressBar {
            objectName: "transferBar"
            readonly property real fraction: ViewRules.transferFraction(transferView.record)
            Layout.fillWidth: true
            indeterminate: fraction < 0
            value: Math.max(fraction, 0)
            palette.dark: Theme.accent
            palette.midlight: Theme.quaternaryFill
            Accessible.name: transferLine.text
        }
        Text {
            id: transferLine
            objectName: "transferLine"
            Layout.fillWidth: true
            text: ViewRules.transferLine(transferView.record)
            textFormat: Text.PlainText
            font: Theme.footnote
            color: Theme.secondaryText
            wrapMode: Text.Wrap
        }
    }

    HubButton {
        objectName: "cancelButton"
        Layout.alignment: Qt.AlignTop
        text: qsTr("Cancel")
        onClicked: UpdateCoordinator.cancel(transferView.app)
    }
}
