<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
    <context>
        <name>Bookmarks</name>
        <message>
            <source>Cannot read the bookmarks in %1: %2.</source>
            <translation>Die Lesezeichen in %1 können nicht gelesen werden: %2.</translation>
        </message>
        <message>
            <source>Cannot read the bookmarks in %1: it holds more than %2 entries.</source>
            <translation>Die Lesezeichen in %1 können nicht gelesen werden: Die Datei enthält mehr als %2 Einträge.</translation>
        </message>
        <message>
            <source>Cannot read %1</source>
            <translation>%1 kann nicht gelesen werden</translation>
        </message>
        <message>
            <source>Cannot read the bookmarks in %1: the file is larger than %2 MB.</source>
            <translation>Die Lesezeichen in %1 können nicht gelesen werden: Die Datei ist größer als %2 MB.</translation>
        </message>
        <message>
            <source>Bookmarks Menu</source>
            <translation>Lesezeichen-Menü</translation>
        </message>
        <message>
            <source>Bookmarks Toolbar</source>
            <translation>Lesezeichen-Symbolleiste</translation>
        </message>
        <message>
            <source>Other Bookmarks</source>
            <translation>Weitere Lesezeichen</translation>
        </message>
        <message>
            <source>Mobile Bookmarks</source>
            <translation>Mobile Lesezeichen</translation>
        </message>
        <message>
            <source>the reading was stopped</source>
            <translation>das Lesen wurde angehalten</translation>
        </message>
        <message>
            <source>reading took longer than %1 seconds and was stopped</source>
            <translation>das Lesen dauerte länger als %1 Sekunden und wurde angehalten</translation>
        </message>
        <message>
            <source>File not found: %1</source>
            <translation>Datei nicht gefunden: %1</translation>
        </message>
        <message>
            <source>Cannot create a temporary folder</source>
            <translation>Ein temporärer Ordner kann nicht angelegt werden</translation>
        </message>
        <message>
            <source>Cannot copy the Firefox bookmarks %1</source>
            <translation>Die Firefox-Lesezeichen %1 können nicht kopiert werden</translation>
        </message>
        <message>
            <source>Cannot open the Firefox bookmarks %1</source>
            <translation>Die Firefox-Lesezeichen %1 können nicht geöffnet werden</translation>
        </message>
        <message>
            <source>%1 holds no Firefox bookmarks: %2</source>
            <translation>%1 enthält keine Firefox-Lesezeichen: %2</translation>
        </message>
        <message>
            <source>Cannot read the bookmarks in %1: reading needed too much memory and was stopped.</source>
            <translation>Die Lesezeichen in %1 können nicht gelesen werden: Das Lesen brauchte zu viel Speicher und wurde angehalten.</translation>
        </message>
        <message>
            <source>Cannot read the Firefox bookmarks %1: %2</source>
            <translation>Die Firefox-Lesezeichen %1 können nicht gelesen werden: %2</translation>
        </message>
        <message>
            <source>%1 holds no Chromium bookmarks</source>
            <translation>%1 enthält keine Chromium-Lesezeichen</translation>
        </message>
    </context>
    <context>
        <name>BrowserWindow</name>
        <message>
            <source>Pelmor</source>
            <translation>Pelmor</translation>
        </message>
        <message>
            <source>Navigation</source>
            <translation>Navigation</translation>
        </message>
        <message>
            <source>%1 - Pelmor</source>
            <translation>%1 – Pelmor</translation>
        </message>
    </context>
    <context>
        <name>ChangeAlerts</name>
        <message>
            <source>%1 pages changed</source>
            <translation>%1 Seiten geändert</translation>
        </message>
        <message>
            <source>Click here to open Pelmor.</source>
            <translation>Hier klicken, um Pelmor zu öffnen.</translation>
        </message>
        <message>
            <source>View</source>
            <translation>Ansehen</translation>
        </message>
        <message>
            <source>Click here to view now.</source>
            <translation>Hier klicken, um sie jetzt anzusehen.</translation>
        </message>
    </context>
    <context>
        <name>ChangesBar</name>
        <message>
            <source>Changes</source>
            <translation>Änderungen</translation>
        </message>
        <message>
            <source>Inserted</source>
            <translation>Eingefügt</translation>
        </message>
        <message>
            <source>Updated</source>
            <translation>Geändert</translation>
        </message>
        <message>
            <source>Removed</source>
            <translation>Entfernt</translation>
        </message>
        <message>
            <source>Previous change</source>
            <translation>Vorherige Änderung</translation>
        </message>
        <message>
            <source>Go to the previous change (Shift+F3)</source>
            <translation>Zur vorherigen Änderung gehen (Umschalt+F3)</translation>
        </message>
        <message>
            <source>Next change</source>
            <translation>Nächste Änderung</translation>
        </message>
        <message>
            <source>Go to the next change (F3)</source>
            <translation>Zur nächsten Änderung gehen (F3)</translation>
        </message>
        <message>
            <source>%1 inserted, %2 updated, %3 removed</source>
            <translation>%1 eingefügt, %2 geändert, %3 entfernt</translation>
        </message>
        <message>
            <source>Change %1 of %2</source>
            <translation>Änderung %1 von %2</translation>
        </message>
    </context>
    <context>
        <name>CheckingPart</name>
        <message>
            <source>Checking %1 for updates</source>
            <translation>Prüfe %1 auf Änderungen</translation>
        </message>
        <message>
            <source>Updated</source>
            <translation>Geändert</translation>
        </message>
        <message>
            <source>%1 is updated</source>
            <translation>%1 wurde geändert</translation>
        </message>
        <message>
            <source>Check failed: %1</source>
            <translation>Prüfung fehlgeschlagen: %1</translation>
        </message>
        <message>
            <source>%1 could not be checked: %2</source>
            <translation>%1 konnte nicht geprüft werden: %2</translation>
        </message>
        <message>
            <source>Checked</source>
            <translation>Geprüft</translation>
        </message>
        <message>
            <source>Removed</source>
            <translation>Entfernt</translation>
        </message>
        <message>
            <source>%1 removed</source>
            <translation>%1 entfernt</translation>
        </message>
    </context>
    <context>
        <name>DialogButtons</name>
        <message>
            <source>OK</source>
            <translation>OK</translation>
        </message>
        <message>
            <source>Cancel</source>
            <translation>Abbrechen</translation>
        </message>
    </context>
    <context>
        <name>EditingPart</name>
        <message>
            <source>Removed</source>
            <translation>Entfernt</translation>
        </message>
        <message>
            <source>%1 removed</source>
            <translation>%1 entfernt</translation>
        </message>
        <message>
            <source>Remove Folder</source>
            <translation>Ordner entfernen</translation>
        </message>
        <message>
            <source>This folder is not empty. Are you sure you want to remove it?</source>
            <translation>Dieser Ordner ist nicht leer. Möchten Sie ihn wirklich entfernen?</translation>
        </message>
        <message>
            <source>Nothing to restore</source>
            <translation>Nichts wiederherzustellen</translation>
        </message>
        <message>
            <source>Item exists</source>
            <translation>Element vorhanden</translation>
        </message>
        <message>
            <source>Item already exists</source>
            <translation>Das Element ist bereits vorhanden</translation>
        </message>
        <message>
            <source>Restored</source>
            <translation>Wiederhergestellt</translation>
        </message>
        <message>
            <source>%1 restored</source>
            <translation>%1 wiederhergestellt</translation>
        </message>
        <message>
            <source>URL or folder name cannot be empty.</source>
            <translation>URL oder Ordnername darf nicht leer sein.</translation>
        </message>
        <message>
            <source>Page exists</source>
            <translation>Seite vorhanden</translation>
        </message>
        <message>
            <source>Page already exists. URL did not change.</source>
            <translation>Die Seite ist bereits vorhanden. Die URL wurde nicht geändert.</translation>
        </message>
        <message>
            <source>Folder exists</source>
            <translation>Ordner vorhanden</translation>
        </message>
        <message>
            <source>Folder already exists. Folder name did not change.</source>
            <translation>Der Ordner ist bereits vorhanden. Der Ordnername wurde nicht geändert.</translation>
        </message>
    </context>
    <context>
        <name>ErrorReport</name>
        <message>
            <source>Error occured</source>
            <translation>Ein Fehler ist aufgetreten</translation>
        </message>
    </context>
    <context>
        <name>ItemDetailsDialog</name>
        <message>
            <source>Minutes</source>
            <translation>Minuten</translation>
        </message>
        <message>
            <source>Hours</source>
            <translation>Stunden</translation>
        </message>
        <message>
            <source>Days</source>
            <translation>Tage</translation>
        </message>
        <message>
            <source>Description:</source>
            <translation>Beschreibung:</translation>
        </message>
        <message>
            <source>Check Every</source>
            <translation>Prüfen alle</translation>
        </message>
    </context>
    <context>
        <name>ItemModel</name>
        <message>
            <source>URL List</source>
            <translation>URL-Liste</translation>
        </message>
        <message>
            <source>Check failed: </source>
            <translation>Prüfung fehlgeschlagen: </translation>
        </message>
        <message>
            <source>A page in here could not be checked</source>
            <translation>Eine Seite hier drin konnte nicht geprüft werden</translation>
        </message>
    </context>
    <context>
        <name>Pictures</name>
        <message>
            <source>watches web pages for you</source>
            <translation>beobachtet Webseiten für Sie</translation>
        </message>
    </context>
    <context>
        <name>ProfilesPart</name>
        <message>
            <source>Save xml file to hold the structure</source>
            <translation>XML-Datei zum Speichern der Struktur</translation>
        </message>
        <message>
            <source>Load xml file that holds the structure</source>
            <translation>XML-Datei mit der Struktur laden</translation>
        </message>
        <message>
            <source>XML Files (*.XML *.xml)</source>
            <translation>XML-Dateien (*.XML *.xml)</translation>
        </message>
        <message>
            <source>Loading the profile %1...</source>
            <translation>Das Profil %1 wird geladen ...</translation>
        </message>
        <message>
            <source>Saving the profile %1...</source>
            <translation>Das Profil %1 wird gespeichert ...</translation>
        </message>
        <message>
            <source>No bookmarks could be read: nothing was imported.</source>
            <translation>Es konnten keine Lesezeichen gelesen werden: Es wurde nichts importiert.</translation>
        </message>
        <message>
            <source>Add From Favorites</source>
            <translation>Aus Favoriten hinzufügen</translation>
        </message>
        <message>
            <source>Adding 0 of %1</source>
            <translation>0 von %1 werden hinzugefügt</translation>
        </message>
        <message>
            <source>Cancel</source>
            <translation>Abbrechen</translation>
        </message>
        <message>
            <source>Importing from favorites</source>
            <translation>Import aus den Favoriten</translation>
        </message>
        <message>
            <source>Adding %1 of %2</source>
            <translation>%1 von %2 werden hinzugefügt</translation>
        </message>
        <message>
            <source>Stopped importing from favorites after %1 of %2 pages</source>
            <translation>Import aus den Favoriten nach %1 von %2 Seiten angehalten</translation>
        </message>
        <message>
            <source>Finished importing from favorites</source>
            <translation>Import aus den Favoriten abgeschlossen</translation>
        </message>
    </context>
    <context>
        <name>Program</name>
        <message>
            <source>Delete Profile</source>
            <translation>Profil löschen</translation>
        </message>
        <message>
            <source>Do you want Pelmor to save your profile?</source>
            <translation>Soll Pelmor Ihr Profil behalten?</translation>
        </message>
    </context>
    <context>
        <name>ShowingPart</name>
        <message>
            <source>%1
%2.
Please check the follwing: 
1. Internet connection may be closed.
2. Site may be down.</source>
            <translation>%1
%2.
Bitte prüfen Sie Folgendes: 
1. Die Internetverbindung ist vielleicht getrennt.
2. Die Website ist vielleicht nicht erreichbar.</translation>
        </message>
        <message>
            <source>Failed to display changed in %1</source>
            <translation>Änderungen konnten nicht angezeigt werden in %1</translation>
        </message>
        <message>
            <source>Displaying updates in %1</source>
            <translation>Änderungen werden angezeigt in %1</translation>
        </message>
        <message>
            <source>Unable to open new web page:</source>
            <translation>Die neue Webseite kann nicht geöffnet werden:</translation>
        </message>
        <message>
            <source>Failed to open web page: %1</source>
            <translation>Webseite konnte nicht geöffnet werden: %1</translation>
        </message>
        <message>
            <source>Marking changes to HTML</source>
            <translation>Änderungen werden im HTML markiert</translation>
        </message>
        <message>
            <source>Unable to display changes in web page:</source>
            <translation>Die Änderungen der Webseite können nicht angezeigt werden:</translation>
        </message>
        <message>
            <source>Open failed</source>
            <translation>Öffnen fehlgeschlagen</translation>
        </message>
    </context>
    <context>
        <name>SupportWindows</name>
        <message>
            <source>Pelmor Help</source>
            <translation>Pelmor-Hilfe</translation>
        </message>
        <message>
            <source>About Pelmor</source>
            <translation>Über Pelmor</translation>
        </message>
        <message>
            <source>&lt;h3&gt;Pelmor %1&lt;/h3&gt;&lt;p&gt;Pelmor watches web pages for you and shows what changed since you last looked.&lt;/p&gt;&lt;p&gt;Copyright &amp;copy; 2026 The Pelmor developers&lt;/p&gt;&lt;p&gt;Pelmor is free software: you can redistribute it and modify it under the terms of the %4 as published by the Free Software Foundation. It comes with ABSOLUTELY NO WARRANTY. See &lt;a href="https://www.gnu.org/licenses/gpl-3.0.html"&gt;the licence&lt;/a&gt; for details.&lt;/p&gt;&lt;p&gt;Built with Qt %2 (running on Qt %3), libcurl, gumbo, pugixml, PCRE2 and SQLite.&lt;/p&gt;</source>
            <translation>&lt;h3&gt;Pelmor %1&lt;/h3&gt;&lt;p&gt;Pelmor beobachtet Webseiten für Sie und zeigt, was sich seit Ihrem letzten Besuch geändert hat.&lt;/p&gt;&lt;p&gt;Copyright &amp;copy; 2026 Die Pelmor-Entwickler&lt;/p&gt;&lt;p&gt;Pelmor ist freie Software: Sie können sie unter den Bedingungen der %4, wie von der Free Software Foundation veröffentlicht, weitergeben und verändern. Sie kommt OHNE JEGLICHE GEWÄHRLEISTUNG. Einzelheiten finden Sie in &lt;a href="https://www.gnu.org/licenses/gpl-3.0.html"&gt;der Lizenz&lt;/a&gt;.&lt;/p&gt;&lt;p&gt;Erstellt mit Qt %2 (läuft mit Qt %3), libcurl, gumbo, pugixml, PCRE2 und SQLite.&lt;/p&gt;</translation>
        </message>
        <message>
            <source>Pelmor watches web pages for you</source>
            <translation>Pelmor beobachtet Webseiten für Sie</translation>
        </message>
        <message>
            <source>Hello,

I use Pelmor to keep an eye on web pages: it checks them in the background, tells me when one changes and shows exactly what is new.
You might like it too.
</source>
            <translation>Hallo,

ich behalte mit Pelmor Webseiten im Auge: Es prüft sie im Hintergrund, sagt mir, wenn sich eine ändert, und zeigt genau, was neu ist.
Vielleicht gefällt es dir auch.
</translation>
        </message>
        <message>
            <source>Pelmor version: %1
Qt version: %2
System: %3
Kernel: %4 %5
Processor: %6
</source>
            <translation>Pelmor-Version: %1
Qt-Version: %2
System: %3
Kernel: %4 %5
Prozessor: %6
</translation>
        </message>
        <message>
            <source>Pelmor bug report</source>
            <translation>Pelmor-Fehlerbericht</translation>
        </message>
        <message>
            <source>What I did:


What happened:


What I expected:


</source>
            <translation>Was ich getan habe:


Was passiert ist:


Was ich erwartet habe:


</translation>
        </message>
        <message>
            <source>No mail program could be opened. This is the message to send:</source>
            <translation>Es konnte kein E-Mail-Programm geöffnet werden. Dies ist die zu sendende Nachricht:</translation>
        </message>
    </context>
    <context>
        <name>UpdateCheckPart</name>
        <message>
            <source>Update Software</source>
            <translation>Programm aktualisieren</translation>
        </message>
        <message>
            <source>No update server is configured. Its address goes into Pelmor.ini, section "Locations", key "UpdateServer".</source>
            <translation>Es ist kein Aktualisierungsserver eingerichtet. Seine Adresse gehört in Pelmor.ini, Abschnitt "Locations", Schlüssel "UpdateServer".</translation>
        </message>
        <message>
            <source>There are no updated available.</source>
            <translation>Es sind keine Aktualisierungen verfügbar.</translation>
        </message>
        <message>
            <source>The update server could not be asked for the newest version:
</source>
            <translation>Der Aktualisierungsserver konnte nicht nach der neuesten Version gefragt werden:
</translation>
        </message>
        <message>
            <source>Software Update</source>
            <translation>Programmaktualisierung</translation>
        </message>
        <message>
            <source>Pelmor has new release available for download.<byte value="xd" />
Download site: </source>
            <translation>Eine neue Version von Pelmor steht zum Herunterladen bereit.<byte value="xd" />
Download-Seite: </translation>
        </message>
    </context>
    <context>
        <name>WatchPart</name>
        <message>
            <source>Watch only a part...</source>
            <translation>Nur einen Teil beobachten ...</translation>
        </message>
        <message>
            <source>Point at the part of the page to watch, and click it</source>
            <translation>Zeigen Sie auf den zu beobachtenden Teil der Seite und klicken Sie ihn an</translation>
        </message>
        <message>
            <source>Point at the part to watch and click it (Escape cancels)</source>
            <translation>Zeigen Sie auf den zu beobachtenden Teil und klicken Sie ihn an (Esc bricht ab)</translation>
        </message>
    </context>
    <context>
        <name>frmAddFolder</name>
        <message>
            <source>Folder Details</source>
            <translation>Ordnerangaben</translation>
        </message>
        <message>
            <source>Name:</source>
            <translation>Name:</translation>
        </message>
        <message>
            <source>You must set a value for folder name</source>
            <translation>Sie müssen einen Ordnernamen angeben</translation>
        </message>
    </context>
    <context>
        <name>frmAddURL</name>
        <message>
            <source>Detect from title</source>
            <translation>Aus dem Titel ermitteln</translation>
        </message>
        <message>
            <source>Page Details</source>
            <translation>Seitenangaben</translation>
        </message>
        <message>
            <source>URL:</source>
            <translation>URL:</translation>
        </message>
        <message>
            <source>You must set a value for URL</source>
            <translation>Sie müssen eine URL angeben</translation>
        </message>
        <message>
            <source>Detect description from page's title</source>
            <translation>Beschreibung aus dem Titel der Seite ermitteln</translation>
        </message>
        <message>
            <source>This is not a valid web address.</source>
            <translation>Dies ist keine gültige Webadresse.</translation>
        </message>
    </context>
    <context>
        <name>frmAdvanced</name>
        <message>
            <source>the whole page</source>
            <translation>die ganze Seite</translation>
        </message>
        <message>
            <source>The part of the page watched, chosen with "Watch only a part..." in the page</source>
            <translation>Der beobachtete Teil der Seite, gewählt mit „Nur einen Teil beobachten ...“ in der Seite</translation>
        </message>
        <message>
            <source>Watch the whole page</source>
            <translation>Die ganze Seite beobachten</translation>
        </message>
        <message>
            <source>Watched part</source>
            <translation>Beobachteter Teil</translation>
        </message>
        <message>
            <source>Advanced Properties</source>
            <translation>Erweiterte Eigenschaften</translation>
        </message>
        <message>
            <source>Start checking date</source>
            <translation>Datum des Prüfbeginns</translation>
        </message>
        <message>
            <source>End checking date</source>
            <translation>Datum des Prüfendes</translation>
        </message>
        <message>
            <source>Clear</source>
            <translation>Leeren</translation>
        </message>
        <message>
            <source>No date</source>
            <translation>Kein Datum</translation>
        </message>
        <message>
            <source>Start date:</source>
            <translation>Anfangsdatum:</translation>
        </message>
        <message>
            <source>End date:</source>
            <translation>Enddatum:</translation>
        </message>
        <message>
            <source>Delete when finished</source>
            <translation>Nach Ablauf löschen</translation>
        </message>
        <message>
            <source>Display changes in date/time elements</source>
            <translation>Änderungen in Datums- und Zeitangaben anzeigen</translation>
        </message>
        <message>
            <source>Display changes in pictures</source>
            <translation>Änderungen in Bildern anzeigen</translation>
        </message>
        <message>
            <source>Display changes in numbers</source>
            <translation>Änderungen in Zahlen anzeigen</translation>
        </message>
        <message>
            <source>Use inverse colors to display updates</source>
            <translation>Änderungen in umgekehrten Farben anzeigen</translation>
        </message>
        <message>
            <source>Click to choose a colour</source>
            <translation>Klicken, um eine Farbe zu wählen</translation>
        </message>
        <message>
            <source>Color used for insert</source>
            <translation>Farbe für Eingefügtes</translation>
        </message>
        <message>
            <source>Color used for update</source>
            <translation>Farbe für Geändertes</translation>
        </message>
        <message>
            <source>Choose a colour</source>
            <translation>Farbe wählen</translation>
        </message>
        <message>
            <source>The end date is before the start date.</source>
            <translation>Das Enddatum liegt vor dem Anfangsdatum.</translation>
        </message>
    </context>
    <context>
        <name>frmError</name>
        <message>
            <source>Pelmor - Error</source>
            <translation>Pelmor – Fehler</translation>
        </message>
        <message>
            <source>Pelmor encountered a problem.</source>
            <translation>In Pelmor ist ein Problem aufgetreten.</translation>
        </message>
        <message>
            <source>For details press the button to the right.</source>
            <translation>Einzelheiten zeigt die Schaltfläche rechts.</translation>
        </message>
        <message>
            <source>OK</source>
            <translation>OK</translation>
        </message>
        <message>
            <source>Details &lt;&lt;&lt;</source>
            <translation>Details &lt;&lt;&lt;</translation>
        </message>
        <message>
            <source>Details &gt;&gt;&gt;</source>
            <translation>Details &gt;&gt;&gt;</translation>
        </message>
    </context>
    <context>
        <name>frmFavorites</name>
        <message>
            <source>Add From Favorites</source>
            <translation>Aus Favoriten hinzufügen</translation>
        </message>
        <message>
            <source>Bookmarks file exported by a browser</source>
            <translation>Von einem Browser exportierte Lesezeichendatei</translation>
        </message>
        <message>
            <source>Bookmarks (*.html *.htm);;All files (*)</source>
            <translation>Lesezeichen (*.html *.htm);;Alle Dateien (*)</translation>
        </message>
        <message>
            <source>Folder to import:</source>
            <translation>Zu importierender Ordner:</translation>
        </message>
        <message>
            <source>Ctrl-click or Shift-click to pick several folders and pages.</source>
            <translation>Mit Strg-Klick oder Umschalt-Klick wählen Sie mehrere Ordner und Seiten.</translation>
        </message>
        <message>
            <source>Bookmarks File...</source>
            <translation>Lesezeichendatei ...</translation>
        </message>
        <message>
            <source>Add a bookmarks file that a browser exported</source>
            <translation>Eine Lesezeichendatei hinzufügen, die ein Browser exportiert hat</translation>
        </message>
        <message>
            <source>Import</source>
            <translation>Importieren</translation>
        </message>
        <message>
            <source>Stop</source>
            <translation>Anhalten</translation>
        </message>
        <message>
            <source>Stop reading the bookmarks</source>
            <translation>Das Lesen der Lesezeichen anhalten</translation>
        </message>
        <message>
            <source>Favorites</source>
            <translation>Favoriten</translation>
        </message>
        <message>
            <source>Reading bookmarks...</source>
            <translation>Lesezeichen werden gelesen ...</translation>
        </message>
        <message>
            <source>Stopping...</source>
            <translation>Wird angehalten ...</translation>
        </message>
        <message>
            <source>Reading stopped.</source>
            <translation>Lesen angehalten.</translation>
        </message>
        <message>
            <source>File to import:</source>
            <translation>Zu importierende Datei:</translation>
        </message>
    </context>
    <context>
        <name>frmHistory</name>
        <message>
            <source>History - %1</source>
            <translation>Verlauf – %1</translation>
        </message>
        <message>
            <source>Date</source>
            <translation>Datum</translation>
        </message>
        <message>
            <source>Inserted</source>
            <translation>Eingefügt</translation>
        </message>
        <message>
            <source>Updated</source>
            <translation>Geändert</translation>
        </message>
        <message>
            <source>Removed</source>
            <translation>Entfernt</translation>
        </message>
        <message>
            <source>Choose a version to see it marked against the one before it, or two to compare them</source>
            <translation>Wählen Sie eine Version, um sie gegenüber der vorherigen markiert zu sehen, oder zwei, um sie zu vergleichen</translation>
        </message>
        <message>
            <source>Show</source>
            <translation>Anzeigen</translation>
        </message>
        <message>
            <source>Show the version with its changes marked</source>
            <translation>Die Version mit markierten Änderungen anzeigen</translation>
        </message>
        <message>
            <source>Open</source>
            <translation>Öffnen</translation>
        </message>
        <message>
            <source>Show the version alone</source>
            <translation>Nur die Version anzeigen</translation>
        </message>
        <message>
            <source>Close</source>
            <translation>Schließen</translation>
        </message>
        <message>
            <source>No versions kept yet: a version is kept each time a check finds a change.</source>
            <translation>Noch keine Versionen aufbewahrt: Eine Version wird jedes Mal aufbewahrt, wenn eine Prüfung eine Änderung findet.</translation>
        </message>
        <message>
            <source>Counting changes...</source>
            <translation>Änderungen werden gezählt ...</translation>
        </message>
        <message>
            <source>1 version kept</source>
            <translation>1 Version aufbewahrt</translation>
        </message>
        <message>
            <source>%1 versions kept</source>
            <translation>%1 Versionen aufbewahrt</translation>
        </message>
        <message>
            <source>the saved copy</source>
            <translation>die gespeicherte Kopie</translation>
        </message>
        <message>
            <source>Version %1</source>
            <translation>Version %1</translation>
        </message>
        <message>
            <source>Version %1 marked against %2</source>
            <translation>Version %1 markiert gegenüber %2</translation>
        </message>
        <message>
            <source>%1 (version %2) - Pelmor</source>
            <translation>%1 (Version %2) – Pelmor</translation>
        </message>
        <message>
            <source>The versions could not be compared</source>
            <translation>Die Versionen konnten nicht verglichen werden</translation>
        </message>
    </context>
    <context>
        <name>frmMain</name>
        <message>
            <source>&amp;History...</source>
            <translation>&amp;Verlauf ...</translation>
        </message>
        <message>
            <source>Past versions of the page</source>
            <translation>Frühere Versionen der Seite</translation>
        </message>
        <message>
            <source>Watch the whole page</source>
            <translation>Die ganze Seite beobachten</translation>
        </message>
        <message>
            <source>Watch every part of the page again</source>
            <translation>Wieder alle Teile der Seite beobachten</translation>
        </message>
        <message>
            <source>History...</source>
            <translation>Verlauf ...</translation>
        </message>
        <message>
            <source>Watches only: %1</source>
            <translation>Beobachtet nur: %1</translation>
        </message>
        <message>
            <source>Watching the whole page</source>
            <translation>Die ganze Seite wird beobachtet</translation>
        </message>
        <message>
            <source>Watching a part</source>
            <translation>Ein Teil wird beobachtet</translation>
        </message>
        <message>
            <source>General Details</source>
            <translation>Allgemeine Angaben</translation>
        </message>
        <message>
            <source>URL:</source>
            <translation>URL:</translation>
        </message>
        <message>
            <source>Description:</source>
            <translation>Beschreibung:</translation>
        </message>
        <message>
            <source>Check Every</source>
            <translation>Prüfen alle</translation>
        </message>
        <message>
            <source>Minutes</source>
            <translation>Minuten</translation>
        </message>
        <message>
            <source>Hours</source>
            <translation>Stunden</translation>
        </message>
        <message>
            <source>Days</source>
            <translation>Tage</translation>
        </message>
        <message>
            <source>ON</source>
            <translation>EIN</translation>
        </message>
        <message>
            <source>OFF</source>
            <translation>AUS</translation>
        </message>
        <message>
            <source>Active indicator</source>
            <translation>Aktiv-Anzeige</translation>
        </message>
        <message>
            <source>Activity Log</source>
            <translation>Aktivitätsprotokoll</translation>
        </message>
        <message>
            <source>Page</source>
            <translation>Seite</translation>
        </message>
        <message>
            <source>Recent Action</source>
            <translation>Letzte Aktion</translation>
        </message>
        <message>
            <source>Last Updated</source>
            <translation>Zuletzt geändert</translation>
        </message>
        <message>
            <source>Toolbar</source>
            <translation>Werkzeugleiste</translation>
        </message>
        <message>
            <source>&amp;File</source>
            <translation>&amp;Datei</translation>
        </message>
        <message>
            <source>Minimize To Tray</source>
            <translation>In den Infobereich minimieren</translation>
        </message>
        <message>
            <source>Exit</source>
            <translation>Beenden</translation>
        </message>
        <message>
            <source>&amp;Help</source>
            <translation>&amp;Hilfe</translation>
        </message>
        <message>
            <source>URL List</source>
            <translation>URL-Liste</translation>
        </message>
        <message>
            <source>Active</source>
            <translation>Aktiv</translation>
        </message>
        <message>
            <source>&amp;SysTray</source>
            <translation>&amp;Infobereich</translation>
        </message>
        <message>
            <source>&amp;Restore</source>
            <translation>&amp;Wiederherstellen</translation>
        </message>
        <message>
            <source>&amp;Exit</source>
            <translation>&amp;Beenden</translation>
        </message>
        <message>
            <source>Page Details</source>
            <translation>Seitenangaben</translation>
        </message>
        <message>
            <source>Folder Details</source>
            <translation>Ordnerangaben</translation>
        </message>
        <message>
            <source>Folder Name:</source>
            <translation>Ordnername:</translation>
        </message>
        <message>
            <source>Main:</source>
            <translation>Hauptordner:</translation>
        </message>
        <message>
            <source>Last check failed (%1): %2</source>
            <translation>Letzte Prüfung fehlgeschlagen (%1): %2</translation>
        </message>
        <message>
            <source>Last failure (%1): %2</source>
            <translation>Letzter Fehler (%1): %2</translation>
        </message>
        <message>
            <source>Updated</source>
            <translation>Geändert</translation>
        </message>
        <message>
            <source>Check Now</source>
            <translation>Jetzt prüfen</translation>
        </message>
        <message>
            <source>&amp;Page</source>
            <translation>&amp;Seite</translation>
        </message>
        <message>
            <source>Check For Update</source>
            <translation>Auf Änderungen prüfen</translation>
        </message>
        <message>
            <source>&amp;Check all</source>
            <translation>&amp;Alle prüfen</translation>
        </message>
        <message>
            <source>Check</source>
            <translation>Prüfen</translation>
        </message>
        <message>
            <source>Add Page</source>
            <translation>Seite hinzufügen</translation>
        </message>
        <message>
            <source>URL...</source>
            <translation>URL ...</translation>
        </message>
        <message>
            <source>Add Folder...</source>
            <translation>Ordner hinzufügen ...</translation>
        </message>
        <message>
            <source>Remove</source>
            <translation>Entfernen</translation>
        </message>
        <message>
            <source>Properties...</source>
            <translation>Eigenschaften ...</translation>
        </message>
        <message>
            <source>New...</source>
            <translation>Neu ...</translation>
        </message>
        <message>
            <source>Delete</source>
            <translation>Löschen</translation>
        </message>
        <message>
            <source>Copy</source>
            <translation>Kopieren</translation>
        </message>
        <message>
            <source>Add a web page</source>
            <translation>Eine Webseite hinzufügen</translation>
        </message>
        <message>
            <source>Add Folder</source>
            <translation>Ordner hinzufügen</translation>
        </message>
        <message>
            <source>Add a folder</source>
            <translation>Einen Ordner hinzufügen</translation>
        </message>
        <message>
            <source>Remove the selected item</source>
            <translation>Das ausgewählte Element entfernen</translation>
        </message>
        <message>
            <source>Check for updates now</source>
            <translation>Jetzt auf Änderungen prüfen</translation>
        </message>
        <message>
            <source>Advanced</source>
            <translation>Erweitert</translation>
        </message>
        <message>
            <source>Advanced options</source>
            <translation>Erweiterte Optionen</translation>
        </message>
        <message>
            <source>Pelmor is busy with the profile; try again</source>
            <translation>Pelmor ist mit dem Profil beschäftigt; bitte versuchen Sie es noch einmal</translation>
        </message>
        <message>
            <source>Adding %1</source>
            <translation>Füge %1 hinzu</translation>
        </message>
        <message>
            <source>Currently adding %1</source>
            <translation>%1 wird gerade hinzugefügt</translation>
        </message>
        <message>
            <source>Adding web page</source>
            <translation>Webseite wird hinzugefügt</translation>
        </message>
        <message>
            <source>Unable to add %1: %2</source>
            <translation>%1 kann nicht hinzugefügt werden: %2</translation>
        </message>
        <message>
            <source>%1 added</source>
            <translation>%1 hinzugefügt</translation>
        </message>
        <message>
            <source>Page already exists</source>
            <translation>Die Seite ist bereits vorhanden</translation>
        </message>
        <message>
            <source>Page Exists</source>
            <translation>Seite vorhanden</translation>
        </message>
        <message>
            <source>Folder already exists</source>
            <translation>Der Ordner ist bereits vorhanden</translation>
        </message>
        <message>
            <source>Folder Exists</source>
            <translation>Ordner vorhanden</translation>
        </message>
        <message>
            <source>Added</source>
            <translation>Hinzugefügt</translation>
        </message>
        <message>
            <source>Import Pages From Favorites...</source>
            <translation>Seiten aus Favoriten importieren ...</translation>
        </message>
        <message>
            <source>Favorites...</source>
            <translation>Favoriten ...</translation>
        </message>
        <message>
            <source>P&amp;rofile</source>
            <translation>P&amp;rofil</translation>
        </message>
        <message>
            <source>Load</source>
            <translation>Laden</translation>
        </message>
        <message>
            <source>Save</source>
            <translation>Speichern</translation>
        </message>
        <message>
            <source>Set as default</source>
            <translation>Als Standard festlegen</translation>
        </message>
        <message>
            <source>&amp;Options</source>
            <translation>&amp;Optionen</translation>
        </message>
        <message>
            <source>Alert Settings...</source>
            <translation>Benachrichtigungseinstellungen ...</translation>
        </message>
        <message>
            <source>Visual Settings...</source>
            <translation>Darstellungseinstellungen ...</translation>
        </message>
        <message>
            <source>Contents...</source>
            <translation>Inhalt ...</translation>
        </message>
        <message>
            <source>FAQ</source>
            <translation>Häufige Fragen</translation>
        </message>
        <message>
            <source>About...</source>
            <translation>Über ...</translation>
        </message>
        <message>
            <source>Check For Software Updates</source>
            <translation>Nach Programmaktualisierungen suchen</translation>
        </message>
        <message>
            <source>Favorites</source>
            <translation>Favoriten</translation>
        </message>
        <message>
            <source>Import pages from your browser's bookmarks</source>
            <translation>Seiten aus den Lesezeichen Ihres Browsers importieren</translation>
        </message>
        <message>
            <source>TellFriend</source>
            <translation>Weiterempfehlen</translation>
        </message>
        <message>
            <source>Recommend Pelmor to a friend</source>
            <translation>Pelmor einem Freund empfehlen</translation>
        </message>
        <message>
            <source>SendMail</source>
            <translation>Fehler melden</translation>
        </message>
        <message>
            <source>Report a bug</source>
            <translation>Einen Fehler melden</translation>
        </message>
        <message>
            <source>Show</source>
            <translation>Anzeigen</translation>
        </message>
        <message>
            <source>Display changes on page</source>
            <translation>Änderungen auf der Seite anzeigen</translation>
        </message>
        <message>
            <source>Displayed</source>
            <translation>Angezeigt</translation>
        </message>
        <message>
            <source>ActivateMain: </source>
            <translation>ActivateMain: </translation>
        </message>
    </context>
    <context>
        <name>frmNotify</name>
        <message>
            <source>Pelmor alert</source>
            <translation>Pelmor-Hinweis</translation>
        </message>
    </context>
    <context>
        <name>frmProperties</name>
        <message>
            <source>Description:</source>
            <translation>Beschreibung:</translation>
        </message>
        <message>
            <source>URL:</source>
            <translation>URL:</translation>
        </message>
        <message>
            <source>Last modified:</source>
            <translation>Zuletzt geändert:</translation>
        </message>
        <message>
            <source>Check every:</source>
            <translation>Prüfen alle:</translation>
        </message>
        <message>
            <source>Last check:</source>
            <translation>Letzte Prüfung:</translation>
        </message>
        <message>
            <source>Next check:</source>
            <translation>Nächste Prüfung:</translation>
        </message>
        <message>
            <source>Properties of %1</source>
            <translation>Eigenschaften von %1</translation>
        </message>
        <message>
            <source>Active</source>
            <translation>Aktiv</translation>
        </message>
        <message>
            <source>Inactive</source>
            <translation>Inaktiv</translation>
        </message>
        <message>
            <source>Minutes</source>
            <translation>Minuten</translation>
        </message>
        <message>
            <source>Hours</source>
            <translation>Stunden</translation>
        </message>
        <message>
            <source>Days</source>
            <translation>Tage</translation>
        </message>
    </context>
    <context>
        <name>frmUpdateChecking</name>
        <message>
            <source>Use the desktop's notifications</source>
            <translation>Die Benachrichtigungen der Arbeitsumgebung verwenden</translation>
        </message>
        <message>
            <source>Use Pelmor's own popup</source>
            <translation>Pelmors eigenes Hinweisfenster verwenden</translation>
        </message>
        <message>
            <source>Choose the alert sound</source>
            <translation>Benachrichtigungston wählen</translation>
        </message>
        <message>
            <source>Sounds (*.wav *.WAV);;All files (*)</source>
            <translation>Klänge (*.wav *.WAV);;Alle Dateien (*)</translation>
        </message>
        <message>
            <source>Alert Settings</source>
            <translation>Benachrichtigungseinstellungen</translation>
        </message>
        <message>
            <source>Pop-up Alerts</source>
            <translation>Hinweisfenster</translation>
        </message>
        <message>
            <source>Display a popup alert when an update is found</source>
            <translation>Ein Hinweisfenster zeigen, wenn eine Änderung gefunden wird</translation>
        </message>
        <message>
            <source>Alert Sound</source>
            <translation>Benachrichtigungston</translation>
        </message>
        <message>
            <source>Play a sound when an updated page is found</source>
            <translation>Einen Ton abspielen, wenn eine geänderte Seite gefunden wird</translation>
        </message>
        <message>
            <source>Default sound</source>
            <translation>Standardton</translation>
        </message>
        <message>
            <source>Custom sound</source>
            <translation>Eigener Ton</translation>
        </message>
        <message>
            <source>Choose a sound file</source>
            <translation>Eine Klangdatei wählen</translation>
        </message>
        <message>
            <source>Play the sound</source>
            <translation>Den Ton abspielen</translation>
        </message>
        <message>
            <source>Automatic Check</source>
            <translation>Automatische Prüfung</translation>
        </message>
        <message>
            <source>Automatically check all web pages when application starts</source>
            <translation>Alle Webseiten beim Programmstart automatisch prüfen</translation>
        </message>
        <message>
            <source>Window Start</source>
            <translation>Systemstart</translation>
        </message>
        <message>
            <source>Run when windows starts</source>
            <translation>Bei der Anmeldung starten</translation>
        </message>
        <message>
            <source>The settings apply now but could not be saved:
</source>
            <translation>Die Einstellungen gelten ab sofort, konnten aber nicht gespeichert werden:
</translation>
        </message>
    </context>
    <context>
        <name>frmVisualSettings</name>
        <message>
            <source>Keep versions</source>
            <translation>Versionen aufbewahren</translation>
        </message>
        <message>
            <source>Past versions kept of each page (0: none)</source>
            <translation>Aufbewahrte frühere Versionen jeder Seite (0: keine)</translation>
        </message>
        <message>
            <source>Choose font</source>
            <translation>Schrift wählen</translation>
        </message>
        <message>
            <source>Visual Settings</source>
            <translation>Darstellungseinstellungen</translation>
        </message>
        <message>
            <source>Web page tree font</source>
            <translation>Schrift der Seitenliste</translation>
        </message>
        <message>
            <source>Change</source>
            <translation>Ändern</translation>
        </message>
        <message>
            <source>Visual settings</source>
            <translation>Darstellung</translation>
        </message>
        <message>
            <source>Show status bar</source>
            <translation>Statusleiste anzeigen</translation>
        </message>
        <message>
            <source>Show toolbar</source>
            <translation>Werkzeugleiste anzeigen</translation>
        </message>
        <message>
            <source>Display old version of page while showing differences</source>
            <translation>Beim Anzeigen der Unterschiede auch die alte Version der Seite zeigen</translation>
        </message>
        <message>
            <source>Show removed text</source>
            <translation>Entfernten Text anzeigen</translation>
        </message>
        <message>
            <source>Show removed content struck through in red where it stood</source>
            <translation>Entfernten Inhalt rot durchgestrichen an seiner alten Stelle zeigen</translation>
        </message>
        <message>
            <source>Check for software updates as appplication starts</source>
            <translation>Beim Programmstart nach Programmaktualisierungen suchen</translation>
        </message>
        <message>
            <source>The settings apply now but could not be saved:
</source>
            <translation>Die Einstellungen gelten ab sofort, konnten aber nicht gespeichert werden:
</translation>
        </message>
    </context>
    <context>
        <name>frmWait</name>
        <message>
            <source>Pelmor - Processing</source>
            <translation>Pelmor – Verarbeitung</translation>
        </message>
        <message>
            <source>Unable to add %1.<byte value="xd" />
Please check the follwing: <byte value="xd" />
1. Internet connection may be closed.<byte value="xd" />
2. Site may be down.</source>
            <translation>%1 kann nicht hinzugefügt werden.<byte value="xd" />
Bitte prüfen Sie Folgendes: <byte value="xd" />
1. Die Internetverbindung ist vielleicht getrennt.<byte value="xd" />
2. Die Website ist vielleicht nicht erreichbar.</translation>
        </message>
        <message>
            <source>Unable to add %1: the page was fetched but could not be saved.<byte value="xd" />
%2</source>
            <translation>%1 kann nicht hinzugefügt werden: Die Seite wurde geladen, konnte aber nicht gespeichert werden.<byte value="xd" />
%2</translation>
        </message>
    </context>
</TS>
