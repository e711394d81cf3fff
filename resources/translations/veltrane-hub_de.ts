<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AboutInfo</name>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>Native Mac apps, signed and ready to run.
</source>
        <translation>Native Mac-Apps, signiert und startbereit.
</translation>
    </message>
</context>
<context>
    <name>AboutPanel</name>
    <message>
        <source>About Veltrane Hub</source>
        <translation>Über Veltrane Hub</translation>
    </message>
</context>
<context>
    <name>AlertTexts</name>
    <message>
        <source>Quit %1 first</source>
        <translation>Beende zuerst %1</translation>
    </message>
    <message>
        <source>the app</source>
        <translation>die App</translation>
    </message>
    <message>
        <source>%1 is running. Quit it, then press Update again.</source>
        <translation>%1 läuft. Beende die App und drücke dann erneut auf Aktualisieren.</translation>
    </message>
    <message>
        <source>The app</source>
        <translation>Die App</translation>
    </message>
    <message>
        <source>Move %1 to the Trash?</source>
        <translation>%1 in den Papierkorb legen?</translation>
    </message>
    <message>
        <source>this app</source>
        <translation>diese App</translation>
    </message>
    <message>
        <source>The app goes to the Trash, so you can put it back.</source>
        <translation>Die App kommt in den Papierkorb, du kannst sie also zurücklegen.</translation>
    </message>
    <message>
        <source>Your settings for it stay on this computer.</source>
        <translation>Deine Einstellungen dafür bleiben auf diesem Computer.</translation>
    </message>
</context>
<context>
    <name>BusySpinner</name>
    <message>
        <source>Loading</source>
        <translation>Wird geladen</translation>
    </message>
</context>
<context>
    <name>AppDetailContent</name>
    <message>
        <source>Website</source>
        <translation>Website</translation>
    </message>
</context>
<context>
    <name>AppDetailView</name>
    <message>
        <source>No app selected</source>
        <translation>Keine App ausgewählt</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Close details</source>
        <translation>Details schließen</translation>
    </message>
    <message>
        <source>Pick an app to see its details.</source>
        <translation>Wähle eine App, um ihre Details zu sehen.</translation>
    </message>
</context>
<context>
    <name>AtomicFile</name>
    <message>
        <source>Could not save “%1”: %2.</source>
        <translation>„%1“ konnte nicht gesichert werden: %2.</translation>
    </message>
</context>
<context>
    <name>AtomicPlacement</name>
    <message>
        <source>Could not copy “%1” into %2: %3.</source>
        <translation>„%1“ konnte nicht nach %2 kopiert werden: %3.</translation>
    </message>
    <message>
        <source>There is not enough free space in %1: the app needs %2.</source>
        <translation>In %1 ist nicht genug Platz frei: Die App braucht %2.</translation>
    </message>
    <message>
        <source>“%1” holds folders nested too deeply.</source>
        <translation>„%1“ enthält zu tief verschachtelte Ordner.</translation>
    </message>
    <message>
        <source>The file system of %1 cannot put an app in place in one step.</source>
        <translation>Das Dateisystem von %1 kann eine App nicht in einem Schritt an ihren Platz bringen.</translation>
    </message>
    <message>
        <source>Could not put “%1” into %2: %3.</source>
        <translation>„%1“ konnte nicht in %2 abgelegt werden: %3.</translation>
    </message>
</context>
<context>
    <name>CardStatus</name>
    <message>
        <source>%1 → %2</source>
        <translation>%1 → %2</translation>
    </message>
    <message>
        <source>Installed</source>
        <translation>Installiert</translation>
    </message>
    <message>
        <source>→ %1</source>
        <translation>→ %1</translation>
    </message>
</context>
<context>
    <name>CatalogContent</name>
    <message>
        <source>No Results for “%1”</source>
        <translation>Keine Ergebnisse für „%1“</translation>
    </message>
    <message>
        <source>1 app</source>
        <translation>1 App</translation>
    </message>
    <message>
        <source>%1 apps</source>
        <translation>%1 Apps</translation>
    </message>
</context>
<context>
    <name>CatalogStatus</name>
    <message>
        <source>Updating…</source>
        <translation>Wird aktualisiert …</translation>
    </message>
    <message>
        <source>Up to date</source>
        <translation>Aktuell</translation>
    </message>
    <message>
        <source>Offline · %1</source>
        <translation>Offline · %1</translation>
    </message>
    <message>
        <source>Offline · bundled catalogue</source>
        <translation>Offline · mitgelieferter Katalog</translation>
    </message>
</context>
<context>
    <name>CatalogStore</name>
    <message>
        <source>Catalogue is up to date</source>
        <translation>Der Katalog ist aktuell</translation>
    </message>
    <message>
        <source>Catalogue updated</source>
        <translation>Katalog aktualisiert</translation>
    </message>
    <message>
        <source>Offline. Showing the last saved catalogue.</source>
        <translation>Offline. Der zuletzt gespeicherte Katalog wird angezeigt.</translation>
    </message>
    <message>
        <source>Offline. Showing the built-in catalogue.</source>
        <translation>Offline. Der mitgelieferte Katalog wird angezeigt.</translation>
    </message>
    <message>
        <source>All Apps</source>
        <translation>Alle Apps</translation>
    </message>
    <message>
        <source>Updates</source>
        <translation>Updates</translation>
    </message>
    <message>
        <source>Featured</source>
        <translation>Empfohlen</translation>
    </message>
    <message>
        <source>Apps</source>
        <translation>Apps</translation>
    </message>
    <message>
        <source>Categories</source>
        <translation>Kategorien</translation>
    </message>
</context>
<context>
    <name>CatalogView</name>
    <message>
        <source>Refresh</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>Catalogue unavailable</source>
        <translation>Katalog nicht verfügbar</translation>
    </message>
    <message>
        <source>Try Again</source>
        <translation>Erneut versuchen</translation>
    </message>
    <message>
        <source>Loading catalogue…</source>
        <translation>Katalog wird geladen …</translation>
    </message>
    <message>
        <source>No apps here yet</source>
        <translation>Hier gibt es noch keine Apps</translation>
    </message>
    <message>
        <source>This category is empty.</source>
        <translation>Diese Kategorie ist leer.</translation>
    </message>
    <message>
        <source>Check the spelling or try a new search.</source>
        <translation>Prüfe die Schreibweise oder versuche eine andere Suche.</translation>
    </message>
    <message>
        <source>Hide Sidebar</source>
        <translation>Seitenleiste ausblenden</translation>
    </message>
    <message>
        <source>Show Sidebar</source>
        <translation>Seitenleiste einblenden</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>The storefront and installer for Veltrane&apos;s apps.</source>
        <translation>Der Store und Installer für die Apps von Veltrane.</translation>
    </message>
    <message>
        <source>Load the catalogue from URL (https only) instead of the maker&apos;s server, to test a staging server. Not saved.</source>
        <translation>Den Katalog von URL (nur https) statt vom Server des Herstellers laden, um einen Testserver zu prüfen. Wird nicht gespeichert.</translation>
    </message>
    <message>
        <source>Trust the PEM certificate authority in FILE besides the system&apos;s, for the catalogue, the downloads and the images. Not saved.</source>
        <translation>Der PEM-Zertifizierungsstelle in DATEI zusätzlich zu denen des Systems vertrauen, für den Katalog, die Downloads und die Bilder. Wird nicht gespeichert.</translation>
    </message>
    <message>
        <source>Unexpected argument: %1</source>
        <translation>Unerwartetes Argument: %1</translation>
    </message>
    <message>
        <source>The catalogue URL must be an https:// URL with a host: %1</source>
        <translation>Die Katalog-URL muss eine https://-URL mit einem Host sein: %1</translation>
    </message>
    <message>
        <source>No PEM certificate could be read from %1.</source>
        <translation>Aus %1 konnte kein PEM-Zertifikat gelesen werden.</translation>
    </message>
</context>
<context>
    <name>DetailActions</name>
    <message>
        <source>Installing…</source>
        <translation>Wird installiert …</translation>
    </message>
    <message>
        <source>Installed</source>
        <translation>Installiert</translation>
    </message>
    <message>
        <source>Try Again</source>
        <translation>Erneut versuchen</translation>
    </message>
    <message>
        <source>Update to %1</source>
        <translation>Auf %1 aktualisieren</translation>
    </message>
    <message>
        <source>Install</source>
        <translation>Installieren</translation>
    </message>
    <message>
        <source>Downloading… %1%</source>
        <translation>Wird geladen … %1 %</translation>
    </message>
</context>
<context>
    <name>DetailActionsView</name>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Uninstall…</source>
        <translation>Deinstallieren …</translation>
    </message>
    <message>
        <source>Not available yet</source>
        <translation>Noch nicht verfügbar</translation>
    </message>
    <message>
        <source>Go Back to %1</source>
        <translation>Zurück zu %1</translation>
    </message>
</context>
<context>
    <name>DetailFacts</name>
    <message>
        <source>Category</source>
        <translation>Kategorie</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>Installed</source>
        <translation>Installiert</translation>
    </message>
    <message>
        <source>Requires</source>
        <extracomment>%1 is the oldest macOS version the app runs on, e.g. 13.0.</extracomment>
        <translation>Erfordert</translation>
    </message>
    <message>
        <source>Updated</source>
        <translation>Aktualisiert</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Unbekannt</translation>
    </message>
    <message>
        <source>macOS %1 or later</source>
        <translation>macOS %1 oder neuer</translation>
    </message>
    <message>
        <source>Download size</source>
        <translation>Downloadgröße</translation>
    </message>
</context>
<context>
    <name>DetailHeader</name>
    <message>
        <source>Installed</source>
        <translation>Installiert</translation>
    </message>
</context>
<context>
    <name>DetailProgress</name>
    <message>
        <source>%1 so far · %2/s</source>
        <translation>%1 bisher · %2/s</translation>
    </message>
    <message>
        <source>%1 so far</source>
        <translation>%1 bisher</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 von %2</translation>
    </message>
    <message>
        <source>%1 of %2 · %3/s</source>
        <translation>%1 von %2 · %3/s</translation>
    </message>
    <message>
        <source>%1 of %2 · %3/s · less than a minute left</source>
        <translation>%1 von %2 · %3/s · weniger als eine Minute übrig</translation>
    </message>
    <message numerus="yes">
        <source>%1 of %2 · %3/s · about %n min left</source>
        <translation>
            <numerusform>%1 von %2 · %3/s · noch etwa %n Min.</numerusform>
            <numerusform>%1 von %2 · %3/s · noch etwa %n Min.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 of %2 · %3/s · about %n h left</source>
        <translation>
            <numerusform>%1 von %2 · %3/s · noch etwa %n Std.</numerusform>
            <numerusform>%1 von %2 · %3/s · noch etwa %n Std.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>DetailScreenshots</name>
    <message>
        <source>Screenshots</source>
        <translation>Bildschirmfotos</translation>
    </message>
    <message>
        <source>Screenshot %1</source>
        <translation>Bildschirmfoto %1</translation>
    </message>
</context>
<context>
    <name>DetailTransferView</name>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>HubContent</name>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Darstellung</translation>
    </message>
    <message>
        <source>Refresh Catalogue</source>
        <translation>Katalog aktualisieren</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>About Veltrane Hub</source>
        <translation>Über Veltrane Hub</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Hide Sidebar</source>
        <translation>Seitenleiste ausblenden</translation>
    </message>
    <message>
        <source>Show Sidebar</source>
        <translation>Seitenleiste einblenden</translation>
    </message>
</context>
<context>
    <name>HubWindow</name>
    <message>
        <source>Veltrane Hub</source>
        <translation>Veltrane Hub</translation>
    </message>
</context>
<context>
    <name>MoreActionsMenu</name>
    <message>
        <source>More actions</source>
        <translation>Weitere Aktionen</translation>
    </message>
</context>
<context>
    <name>QuitAlert</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>RelativeAge</name>
    <message>
        <source>now</source>
        <translation>jetzt</translation>
    </message>
    <message>
        <source>1 minute ago</source>
        <translation>vor 1 Minute</translation>
    </message>
    <message>
        <source>%1 minutes ago</source>
        <translation>vor %1 Minuten</translation>
    </message>
    <message>
        <source>1 hour ago</source>
        <translation>vor 1 Stunde</translation>
    </message>
    <message>
        <source>%1 hours ago</source>
        <translation>vor %1 Stunden</translation>
    </message>
    <message>
        <source>yesterday</source>
        <translation>gestern</translation>
    </message>
    <message>
        <source>%1 days ago</source>
        <translation>vor %1 Tagen</translation>
    </message>
    <message>
        <source>last week</source>
        <translation>letzte Woche</translation>
    </message>
    <message>
        <source>%1 weeks ago</source>
        <translation>vor %1 Wochen</translation>
    </message>
    <message>
        <source>last month</source>
        <translation>letzten Monat</translation>
    </message>
    <message>
        <source>%1 months ago</source>
        <translation>vor %1 Monaten</translation>
    </message>
    <message>
        <source>last year</source>
        <translation>letztes Jahr</translation>
    </message>
    <message>
        <source>%1 years ago</source>
        <translation>vor %1 Jahren</translation>
    </message>
</context>
<context>
    <name>RootView</name>
    <message>
        <source>Veltrane</source>
        <translation>Veltrane</translation>
    </message>
</context>
<context>
    <name>SearchField</name>
    <message>
        <source>Search apps</source>
        <translation>Apps durchsuchen</translation>
    </message>
</context>
<context>
    <name>SidebarView</name>
    <message>
        <source>Sections</source>
        <translation>Bereiche</translation>
    </message>
</context>
<context>
    <name>SourceCredit</name>
    <message>
        <source>Based on %1 by %2, released under the %3 license.</source>
        <translation>Basiert auf %1 von %2, veröffentlicht unter der Lizenz %3.</translation>
    </message>
</context>
<context>
    <name>SourceCreditView</name>
    <message>
        <source>Built on open source</source>
        <translation>Auf Open Source gebaut</translation>
    </message>
    <message>
        <source>Original project</source>
        <translation>Ursprüngliches Projekt</translation>
    </message>
    <message>
        <source>Our build, with our changes</source>
        <translation>Unsere Fassung, mit unseren Änderungen</translation>
    </message>
    <message>
        <source>This licence requires our source to be published. No fork link yet.</source>
        <translation>Diese Lizenz verlangt, dass wir unseren Quelltext veröffentlichen. Noch kein Link zu unserem Fork.</translation>
    </message>
</context>
<context>
    <name>ToolRunner</name>
    <message>
        <source>not an absolute path</source>
        <translation>kein absoluter Pfad</translation>
    </message>
    <message>
        <source>Could not start %1: %2</source>
        <translation>%1 konnte nicht gestartet werden: %2</translation>
    </message>
    <message>
        <source>(ended by signal %1)</source>
        <translation>(durch Signal %1 beendet)</translation>
    </message>
    <message>
        <source>(ended, exit status unknown)</source>
        <translation>(beendet, Exit-Status unbekannt)</translation>
    </message>
    <message>
        <source>(stopped: still running after %1 seconds)</source>
        <translation>(angehalten: lief nach %1 Sekunden noch)</translation>
    </message>
    <message>
        <source>(stopped: Veltrane Hub is quitting)</source>
        <translation>(angehalten: Veltrane Hub wird beendet)</translation>
    </message>
</context>
<context>
    <name>Trash</name>
    <message>
        <source>Could not move “%1” to the Trash: %2.</source>
        <translation>„%1“ konnte nicht in den Papierkorb gelegt werden: %2.</translation>
    </message>
    <message>
        <source>Could not move “%1” to the Trash: its drive has no Trash folder you may use.</source>
        <translation>„%1“ konnte nicht in den Papierkorb gelegt werden: Das Laufwerk hat keinen Papierkorb, den du benutzen darfst.</translation>
    </message>
</context>
<context>
    <name>UninstallDialog</name>
    <message>
        <source>Move to Trash</source>
        <translation>In den Papierkorb</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>UpdateInstaller</name>
    <message>
        <source>Download failed (HTTP %1).</source>
        <translation>Download fehlgeschlagen (HTTP %1).</translation>
    </message>
    <message>
        <source>Could not open the disk image. %1</source>
        <translation>Das Disk-Image konnte nicht geöffnet werden. %1</translation>
    </message>
    <message>
        <source>Refused: the download is not signed by Veltrane. %1</source>
        <translation>Abgelehnt: Der Download ist nicht von Veltrane signiert. %1</translation>
    </message>
    <message>
        <source>Refused by macOS security check. %1</source>
        <translation>Von der macOS-Sicherheitsprüfung abgelehnt. %1</translation>
    </message>
    <message>
        <source>Could not install the app. %1</source>
        <translation>Die App konnte nicht installiert werden. %1</translation>
    </message>
    <message>
        <source>This app has no download link yet.</source>
        <translation>Für diese App gibt es noch keinen Download-Link.</translation>
    </message>
    <message>
        <source>The disk image contains no app.</source>
        <translation>Das Disk-Image enthält keine App.</translation>
    </message>
    <message>
        <source>The app&apos;s name or version cannot be used as a file name.</source>
        <translation>Name oder Version der App können nicht als Dateiname verwendet werden.</translation>
    </message>
    <message>
        <source>Unexpected developer.</source>
        <translation>Unerwarteter Entwickler.</translation>
    </message>
    <message>
        <source>%1 is not a folder.</source>
        <translation>%1 ist kein Ordner.</translation>
    </message>
    <message>
        <source>%1 already holds another app named “%2”.</source>
        <translation>%1 enthält bereits eine andere App namens „%2“.</translation>
    </message>
    <message>
        <source>A newer version (%1) is already installed.</source>
        <translation>Eine neuere Version (%1) ist bereits installiert.</translation>
    </message>
    <message>
        <source>Cannot read the certificate authority %1: %2</source>
        <translation>Die Zertifizierungsstelle %1 kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>The download could not be started.</source>
        <translation>Der Download konnte nicht gestartet werden.</translation>
    </message>
    <message>
        <source>Could not connect to the server.</source>
        <translation>Keine Verbindung zum Server möglich.</translation>
    </message>
    <message>
        <source>The connection timed out.</source>
        <translation>Die Zeit für die Verbindung ist abgelaufen.</translation>
    </message>
    <message>
        <source>The server&apos;s certificate is not trusted.</source>
        <translation>Dem Zertifikat des Servers wird nicht vertraut.</translation>
    </message>
    <message>
        <source>The server name could not be found.</source>
        <translation>Der Servername wurde nicht gefunden.</translation>
    </message>
    <message>
        <source>The download link does not use a secure connection (https).</source>
        <translation>Der Download-Link verwendet keine sichere Verbindung (https).</translation>
    </message>
    <message>
        <source>The connection to the server was lost.</source>
        <translation>Die Verbindung zum Server wurde unterbrochen.</translation>
    </message>
    <message>
        <source>The download failed.</source>
        <translation>Der Download ist fehlgeschlagen.</translation>
    </message>
    <message>
        <source>Not enough free space to download %1: it needs %2, but only %3 are free.</source>
        <translation>Nicht genug freier Speicher für den Download von %1: Er braucht %2, frei sind nur %3.</translation>
    </message>
    <message>
        <source>The disk is full: the download of %1 was stopped and removed.</source>
        <translation>Der Speicher ist voll: Der Download von %1 wurde angehalten und entfernt.</translation>
    </message>
    <message>
        <source>The download of %1 was stopped because the disk is almost full.</source>
        <translation>Der Download von %1 wurde angehalten, weil der Speicher fast voll ist.</translation>
    </message>
    <message>
        <source>The download of %1 is larger than %2 and was stopped.</source>
        <translation>Der Download von %1 ist größer als %2 und wurde angehalten.</translation>
    </message>
    <message>
        <source>The download of %1 does not have the size the catalogue gives; it was removed.</source>
        <translation>Der Download von %1 hat nicht die Größe, die der Katalog angibt; er wurde entfernt.</translation>
    </message>
    <message>
        <source>The download of %1 does not match the checksum the catalogue gives; it was removed.</source>
        <translation>Der Download von %1 passt nicht zur Prüfsumme, die der Katalog angibt; er wurde entfernt.</translation>
    </message>
    <message>
        <source>%1 is being downloaded by another Veltrane Hub.</source>
        <translation>%1 wird gerade von einem anderen Veltrane Hub geladen.</translation>
    </message>
    <message>
        <source>The disk image contains a different app.</source>
        <translation>Das Disk-Image enthält eine andere App.</translation>
    </message>
    <message>
        <source>The download was stopped.</source>
        <translation>Der Download wurde angehalten.</translation>
    </message>
    <message>
        <source>No earlier version of this app is kept.</source>
        <translation>Von dieser App ist keine frühere Version aufbewahrt.</translation>
    </message>
</context>
<context>
    <name>UpdateTransfer</name>
    <message>
        <source>less than a minute left</source>
        <translation>weniger als eine Minute übrig</translation>
    </message>
    <message numerus="yes">
        <source>about %n min left</source>
        <translation>
            <numerusform>noch etwa %n Min.</numerusform>
            <numerusform>noch etwa %n Min.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>about %n h left</source>
        <translation>
            <numerusform>noch etwa %n Std.</numerusform>
            <numerusform>noch etwa %n Std.</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 von %2</translation>
    </message>
    <message>
        <source>%1/s</source>
        <translation>%1/s</translation>
    </message>
</context>
<context>
    <name>ViewRules</name>
    <message>
        <source>Fetch the newest catalogue from </source>
        <translation>Den neuesten Katalog laden von </translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Veltrane Hub is already running but does not answer.</source>
        <translation>Veltrane Hub läuft bereits, antwortet aber nicht.</translation>
    </message>
    <message>
        <source>Veltrane Hub is already running; quit it to start it with these options.</source>
        <translation>Veltrane Hub läuft bereits; beenden Sie es, um es mit diesen Optionen zu starten.</translation>
    </message>
</context>
</TS>
