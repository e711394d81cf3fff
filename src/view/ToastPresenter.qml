import QtQuick
import Veltrane.Hub

// One toast on its way in or out: slides down from the top edge while fading in, and back
// up while fading out, then goes away. A spring of response 0.5 s and damping 0.85 settles
// like this 450 ms curve, without visible overshoot.
ToastView {
    id: presenter

    function leave() {
        enter.stop()
        exit.start()
    }

    anchors.horizontalCenter: parent ? parent.horizontalCenter : undefined
    y: -height - 12
    opacity: 0
    Component.onCompleted: enter.start()

    ParallelAnimation {
        id: enter
        NumberAnimation { target: presenter; property: "y"; to: 12; duration: 450; easing.type: Easing.OutCubic }
        NumberAnimation { target: presenter; property: "opacity"; to: 1; duration: 450; easing.type: Easing.OutCubic }
    }
    SequentialAnimation {
        id: exit
        ParallelAnimation {
            NumberAnimation { target: presenter; property: "y"; to: -presenter.height - 12; duration: 450; easing.type: Easing.OutCubic }
            NumberAnimation { target: presenter; property: "opacity"; to: 0; duration: 450; easing.type: Easing.OutCubic }
        }
        ScriptAction { script: presenter.destroy() }
    }
}
