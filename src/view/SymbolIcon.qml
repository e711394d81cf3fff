import QtQuick
import Veltrane.Hub

// A system symbol by name ("checkmark.circle"), drawn from the bundled icon set in any colour.
// Drawn on the image loader's thread, so never in the frame that first shows the item: the
// image is made and asked for after that frame, which the window's thread then draws sooner.
Item {
    id: icon

    property string name
    property color color: Theme.primaryText
    property real size: 16

    width: size
    height: size
    Accessible.ignored: true

    Loader {
        anchors.fill: parent
        active: icon.name.length > 0
        asynchronous: true
        // The image reads the symbol by its id.
        // qmllint disable unqualified
        sourceComponent: Image {
            sourceSize.width: Math.ceil(icon.size * 2)
            sourceSize.height: Math.ceil(icon.size * 2)
            source: "image://symbol/" + icon.color.toString().substring(1) + "/" + icon.name
            asynchronous: true
            fillMode: Image.PreserveAspectFit
            smooth: true
            mipmap: true
        }
        // qmllint enable unqualified
    }
}
