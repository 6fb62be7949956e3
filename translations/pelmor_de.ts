<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
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
        <name>ErrorReport</name>
        <message>
            <source>Error occured</source>
            <translation>Ein Fehler ist aufgetreten</translation>
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
    </context>
    <context>
        <name>frmNotify</name>
        <message>
            <source>Pelmor alert</source>
            <translation>Pelmor-Hinweis</translation>
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
    </context>
</TS>
