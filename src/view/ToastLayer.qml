import QtQuick
import Veltrane.Hub

// Floats the store's toast over the top centre of the window. Every new toast (each has a
// fresh id) slides in from the top edge while the one it replaces slides out; the store
// removes a toast after its lifetime, and then it slides out too.
Item {
    id: toastLayer

    property Item current: null
    // A spring of response 0.5 s and damping 0.85 settles like this curve.
    readonly property int duration: 450

    function present() {
        if (current)
            current.leave()
        current = CatalogStore.hasToast ? presenter.createObject(toastLayer, { toast: CatalogStore.toast }) : null
    }

    Connections {
        target: CatalogStore
        function onToastChanged() { toastLayer.present() }
    }

    Component {
        id: presenter
        ToastView {
            id: view
            anchors.horizontalCenter: parent.horizontalCenter
            y: -height - 12
            opacity: 0
            Accessible.ignored: false

            function leave() {
                enter.stop()
                exit.start()
            }
            Component.onCompleted: enter.start()

            ParallelAnimation {
                id: enter
                NumberAnimation { target: view; property: "y"; to: 12; duration: toastLayer.duration; easing.type: Easing.OutCubic }
                NumberAnimation { target: view; property: "opacity"; to: 1; duration: toastLayer.duration; easing.type: Easing.OutCubic }
            }
            SequentialAnimation {
                id: exit
                ParallelAnimation {
                    NumberAnimation { target: view; property: "y"; to: -view.height - 12; duration: toastLayer.duration; easing.type: Easing.OutCubic }
                    NumberAnimation { target: view; property: "opacity"; to: 0; duration: toastLayer.duration; easing.type: Easing.OutCubic }
                }
                ScriptAction { script: view.destroy() }
            }
        }
    }
}
