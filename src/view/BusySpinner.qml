import QtQuick
import Veltrane.Hub

// A ring of dots that turns while something loads, drawn from plain items.
Item {
    id: spinner

    property int size: 40
    property color color: Theme.secondaryText

    implicitWidth: size
    implicitHeight: size
    Accessible.role: Accessible.Animation
    Accessible.name: qsTr("Loading")

    Item {
        id: ring
        anchors.fill: parent
        Repeater {
            model: 8
            // The delegate reads the enclosing object by its id.
            // qmllint disable unqualified
            delegate: Rectangle {
                required property int index
                readonly property real angle: index / 8 * 2 * Math.PI
                width: spinner.size / 7
                height: width
                radius: width / 2
                x: (spinner.size - width) / 2 * (1 + Math.sin(angle))
                y: (spinner.size - height) / 2 * (1 - Math.cos(angle))
                color: spinner.color
                opacity: 0.2 + 0.8 * index / 7
            }
            // qmllint enable unqualified
        }
        RotationAnimator on rotation {
            running: spinner.visible
            from: 0
            to: 360
            duration: 1000
            loops: Animation.Infinite
        }
    }
}
