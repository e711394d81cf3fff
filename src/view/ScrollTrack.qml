import QtQuick
import Veltrane.Hub

// A vertical scroll bar for a list or grid, drawn from plain items: a thin handle shown while
// the view moves or the pointer is over it, that the pointer can drag; a press beside the
// handle moves a page.
Item {
    id: track

    required property Flickable flickable

    // The view's scroll range, margins included.
    readonly property real firstY: flickable.originY - flickable.topMargin
    readonly property real range: flickable.contentHeight + flickable.topMargin + flickable.bottomMargin
                                  - flickable.height
    readonly property bool needed: range > 0.5
    readonly property bool active: needed && (flickable.moving || pointer.containsMouse || pointer.pressed)
    readonly property real travel: height - 2 * padding - handle.height
    readonly property int padding: 2

    function scrollTo(y: real) {
        flickable.contentY = firstY + Math.max(0, Math.min(range, y))
    }

    width: 10

    Rectangle {
        id: handle
        x: track.padding
        width: 6
        radius: 3
        height: Math.max(24, (track.height - 2 * track.padding) * track.flickable.height
                                 / Math.max(1, track.range + track.flickable.height))
        y: track.padding + (track.needed ? track.travel * Math.max(0, Math.min(1,
               (track.flickable.contentY - track.firstY) / track.range)) : 0)
        color: pointer.pressed ? Theme.secondaryText : Theme.tertiaryText
        opacity: track.active ? 0.75 : 0
        visible: track.needed
        Behavior on opacity {
            enabled: !track.active
            SequentialAnimation {
                PauseAnimation { duration: 450 }
                NumberAnimation { duration: 200 }
            }
        }
    }

    MouseArea {
        id: pointer
        anchors.fill: parent
        enabled: track.needed
        hoverEnabled: true
        property real grabbedAt: -1  // where on the handle the press was, or -1 beside it
        onPressed: (mouse) => {
            if (mouse.y >= handle.y && mouse.y < handle.y + handle.height) {
                grabbedAt = mouse.y - handle.y
            } else {
                grabbedAt = -1
                const page = track.flickable.height * (mouse.y < handle.y ? -1 : 1)
                track.scrollTo(track.flickable.contentY - track.firstY + page)
            }
        }
        onPositionChanged: (mouse) => {
            if (pressed && grabbedAt >= 0 && track.travel > 0)
                track.scrollTo((mouse.y - grabbedAt - track.padding) / track.travel * track.range)
        }
    }
}
