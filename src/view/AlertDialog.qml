import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import QtQuick.Templates as T
import Veltrane.Hub

// A modal question over the window: a title, a message and one or two buttons. However it
// closes, closed() follows, so its owner can clear what made it show.
Dialog {
    id: alert

    property string message
    property string confirmText
    property bool confirmDestructive: false
    property string cancelText

    signal confirmed
    signal cancelled

    parent: T.Overlay.overlay
    x: Math.round((parent.width - width) / 2)
    y: Math.round((parent.height - height) / 3)
    width: 340
    modal: true
    closePolicy: Popup.CloseOnEscape
    padding: 20
    topPadding: 20

    background: Rectangle {
        radius: 12
        color: Theme.textBackground
        border.width: 1
        border.color: Theme.separator
    }
    header: Item {}
    T.Overlay.modal: Rectangle { color: Qt.rgba(0, 0, 0, 0.18) }

    contentItem: ColumnLayout {
        spacing: 8
        Accessible.role: Accessible.AlertMessage
        Accessible.name: alert.title
        Accessible.description: alert.message
        Text {
            Layout.fillWidth: true
            text: alert.title
            textFormat: Text.PlainText
            font: Theme.headline
            color: Theme.primaryText
            wrapMode: Text.Wrap
            horizontalAlignment: Text.AlignHCenter
        }
        Text {
            Layout.fillWidth: true
            visible: text.length > 0
            text: alert.message
            textFormat: Text.PlainText
            font: Theme.callout
            color: Theme.secondaryText
            wrapMode: Text.Wrap
            horizontalAlignment: Text.AlignHCenter
        }
        RowLayout {
            Layout.fillWidth: true
            Layout.topMargin: 12
            spacing: 8
            HubButton {
                objectName: "cancelButton"
                Layout.fillWidth: true
                visible: alert.cancelText.length > 0
                text: alert.cancelText
                prominent: alert.confirmText.length === 0
                onClicked: {
                    alert.cancelled()
                    alert.close()
                }
            }
            HubButton {
                objectName: "confirmButton"
                Layout.fillWidth: true
                visible: alert.confirmText.length > 0
                text: alert.confirmText
                prominent: true
                tint: alert.confirmDestructive ? "#d70015" : Theme.accent
                onClicked: {
                    alert.confirmed()
                    alert.close()
                }
            }
        }
    }
}
