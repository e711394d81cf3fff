import QtQuick
import Veltrane.Hub

// One toast: a capsule with a symbol and a line of text, orange for warnings.
Item {
    id: toastView

    required property toast toast

    readonly property color foreground: toast.isWarning ? Theme.orange : Theme.primaryText

    implicitWidth: label.implicitWidth + 28
    implicitHeight: label.implicitHeight + 20
    Accessible.role: Accessible.AlertMessage
    Accessible.name: toast.text

    // Shadow: radius 8, 2 down, black at 33 %. Eight one-pixel rings whose alphas add up to
    // a soft falloff, (1 - d / 8)² of the full strength at distance d.
    Repeater {
        model: 8
        Rectangle {
            required property int index
            readonly property real spread: index + 1
            function strength(d) { return d > 8 ? 0 : Math.pow(1 - (d - 1) / 8, 2) }
            x: -spread
            y: 2 - spread
            width: parent.width + 2 * spread
            height: parent.height + 2 * spread
            radius: height / 2
            color: Qt.rgba(0, 0, 0, 0.33 * 0.5 * (strength(spread) - strength(spread + 1)))
        }
    }

    Rectangle {
        anchors.fill: parent
        radius: height / 2
        color: Theme.toastMaterial
        border.width: 1
        border.color: Theme.separator
    }

    Row {
        id: label
        anchors.centerIn: parent
        spacing: 6
        SymbolIcon {
            anchors.verticalCenter: parent.verticalCenter
            name: toastView.toast.symbol
            size: 15
            color: toastView.foreground
        }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: toastView.toast.text
            textFormat: Text.PlainText
            font: Theme.callout
            color: toastView.foreground
        }
    }
}
