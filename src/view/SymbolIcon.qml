import QtQuick
import Veltrane.Hub

// A system symbol by name ("checkmark.circle"), drawn from the bundled icon set in any colour.
Image {
    id: icon

    property string name
    property color color: Theme.primaryText
    property real size: 16

    width: size
    height: size
    sourceSize.width: Math.ceil(size * 2)
    sourceSize.height: Math.ceil(size * 2)
    source: name.length > 0 ? "image://symbol/" + color.toString().substring(1) + "/" + name : ""
    // Drawn on the image loader's thread: the window's thread goes on meanwhile.
    asynchronous: true
    fillMode: Image.PreserveAspectFit
    smooth: true
    mipmap: true
    Accessible.ignored: true
}
