import QtQuick
import Veltrane.Hub

// A placeholder's one action, 6 points below its description.
Item {
    id: holder

    required property Placeholder placeholder

    implicitWidth: action.implicitWidth
    implicitHeight: action.implicitHeight + 6
    HubButton {
        id: action
        y: 6
        text: holder.placeholder.actionTitle
        onClicked: holder.placeholder.actionTriggered()
    }
}
