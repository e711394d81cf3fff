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

    // Shadow: radius 8, 2 down, black at 33 %, drawn as a few widening translucent capsules.
    Repeater {
        model: 4
        Rectangle {
            required property int index
            x: -(index + 1) * 2
            y: 2 - (index + 1) * 2
            width: toastView.width + 2 * (index + 1) * 2
            height: toastView.height + 2 * (index + 1) * 2
            radius: height / 2
            color: Qt.rgba(0, 0, 0, 0.33 * (0.36 - index * 0.08))
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
            font: Theme.callout
            color: toastView.foreground
        }
    }
}
