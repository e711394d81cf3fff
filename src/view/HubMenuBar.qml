import QtQuick
import Veltrane.Hub

// The window's menu bar, drawn from plain items: the menus' titles with their mnemonics, and
// the commands' keys. The menus themselves (HubMenus.qml) are made when one is first opened,
// so the window starts without the controls' library.
Rectangle {
    id: bar

    // Each menu as { title, commands }: the title as translated, with "&" before its mnemonic,
    // and its Command objects.
    required property var model
    // The menu shown, or -1. The menus follow it, and clear it when they close.
    property int openIndex: -1
    // The menus, once made.
    property list<QtObject> menus
    readonly property int count: model.length

    // The menu at index, made first if need be.
    function menuAt(index: int): QtObject {
        makeMenus()
        return index >= 0 && index < menus.length ? menus[index] : null
    }
    function open(index: int) {
        makeMenus()
        openIndex = (index + count) % count
    }
    function toggle(index: int) {
        if (openIndex === index)
            openIndex = -1
        else
            open(index)
    }
    function makeMenus() {
        if (menusLoader.status === Loader.Null)
            menusLoader.setSource("HubMenus.qml", { bar: bar })
    }
    // The title at index, for the menus to open under.
    function titleAt(index: int): Item { return titles.itemAt(index) }

    color: Theme.menuBarBackground
    Accessible.role: Accessible.MenuBar

    Row {
        height: parent.height
        leftPadding: 4
        Repeater {
            id: titles
            model: bar.model
            // The delegate reads the enclosing object by its id.
            // qmllint disable unqualified
            delegate: Rectangle {
                id: title
                required property var modelData
                required property int index
                readonly property string text: ViewRules.withoutMnemonic(modelData.title)
                readonly property bool shown: bar.openIndex === index

                width: label.implicitWidth + 16
                height: parent.height
                color: shown ? Qt.rgba(0, 0, 0, 0.10) : hover.hovered ? Theme.hoverFill : "transparent"
                Accessible.role: Accessible.MenuItem
                Accessible.name: text
                Accessible.onPressAction: bar.toggle(index)

                Text {
                    id: label
                    anchors.centerIn: parent
                    text: ViewRules.underlinedMnemonic(title.modelData.title)
                    textFormat: Text.StyledText
                    font: Theme.body
                    color: Theme.primaryText
                }
                HoverHandler {
                    id: hover
                    // With a menu open, pointing at another title shows its menu instead.
                    onHoveredChanged: if (hovered && bar.openIndex >= 0 && !title.shown) bar.open(title.index)
                }
                TapHandler { onTapped: bar.toggle(title.index) }
            }
            // qmllint enable unqualified
        }
    }

    // The commands' keys, and Alt with each title's mnemonic. Titles that share a mnemonic
    // take turns, as the keys' map sends repeated presses to each in order.
    Repeater {
        model: bar.model
        // qmllint disable unqualified
        delegate: Item {
            id: group
            required property var modelData
            required property int index
            Shortcut {
                sequence: ViewRules.mnemonicKeys(group.modelData.title)
                enabled: sequence.length > 0
                onActivated: bar.open(group.index)
                onActivatedAmbiguously: bar.open(group.index)
            }
            Repeater {
                model: group.modelData.commands
                delegate: Item {
                    id: command
                    required property Command modelData
                    Shortcut {
                        sequence: command.modelData.keys ?? ""
                        enabled: command.modelData.keys !== undefined
                        onActivated: command.modelData.triggered()
                    }
                }
            }
        }
        // qmllint enable unqualified
    }
    Loader {
        id: menusLoader
    }
}
