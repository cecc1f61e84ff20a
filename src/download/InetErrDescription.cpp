#include "download/clsInet.h"

#include <QHash>

namespace {

struct ErrEntry
{
    qint32 number;
    const char *text;
};

// The German texts the transfer component's failures are known by.
const ErrEntry kErrTable[] = {
    {7, "Nicht genügend Speicher"},
    {10, "Die Verbindung zum Netzwerk wurde unterbrochen"},
    {13, "Typen unverträglich"},
    {380, "Ungültiger Eigenschaftswert"},
    {35750, "Internet-Zugriffsnummer kann nicht geöffnet werden"},
    {35753, "Protokoll wird für diese Methode nicht unterstützt"},
    {35754, "Verbindung zum Remote Host kann nicht hergestellt werden"},
    {35755, "Es ist kein Remote Computer angegeben"},
    {35756, "Anfrage kann nicht beendet werden"},
    {35757, "Sie müssen eine Operation ausführen, bevor Sie Daten abrufen"},
    {35758, "Daten können nicht abgerufen werden"},
    {35759, "FTP-Befehl fehlgeschlagen"},
    {35760, "Typ kann nicht umgewandelt werden"},
    {35761, "Zeitüberschreitung für Anforderung"},
    {35762, "Ungültiger oder nichtunterstützter Befehl"},
    {35763, "Ungültiges Operationsargument"},
    {35764, "Die letzte Anforderung wird noch bearbeitet"},
    {35765, "Dieser Aufruf ist für eine FTP-Verbindung nicht gültig"},
    {35767, "Keine weiteren Zugriffsnummern verfügbar"},
    {35768, "Zeitüberschreitung"},
    {35769, "Erweiterter Fehler"},
    {35770, "Interner Fehler"},
    {35771, "Ungültiger URL"},
    {35772, "Nichterkanntes Schema"},
    {35773, "Name nicht aufgelöst"},
    {35774, "Protokoll nicht gefunden"},
    {35775, "Ungültige Option"},
    {35776, "Länge der Option falsch"},
    {35777, "Option kann nicht festgelegt werden"},
    {35778, "Herunterfahren"},
    {35779, "Falscher Benutzername"},
    {35780, "Falsches Kennwort"},
    {35781, "Anmeldefehler"},
    {35783, "Operation abgebrochen"},
    {35784, "Falscher Zugriffsnummertyp"},
    {35785, "Falscher Zugriffsnummerzustand"},
    {35786, "Kein Proxy"},
    {35787, "Registrierungswert nicht gefunden"},
    {35788, "Ungültiger Registrierungsparameter"},
    {35789, "Kein direkter Zugriff"},
    {35790, "Kein Kontext"},
    {35791, "Kein Rückruf"},
    {35792, "Anstehende Anforderung"},
    {35793, "Falsches Format"},
    {35794, "Element nicht gefunden"},
    {35795, "Verbindung kann nicht hergestellt werden"},
    {35796, "Verbindung abgebrochen"},
    {35797, "Verbindung wird zurückgesetzt"},
    {35799, "Ungültige Proxy-Anforderung"},
    {35800, "Hätte eine Blockierung zur Folge."},
    {35802, "Zugriffsnummer existiert."},
    {35803, "Datum des Sicherheitszertifikats ungültig."},
    {35804, "Nummer des Sicherheitszertifikats ungültig."},
    {35805, "HTTPS nach HTTP bei Umleitung"},
    {35806, "HTTPS nach HTTP bei Umleitung."},
    {35807, "Gemischte Sicherheitseinstellungen"},
    {35809, "Übermittlung ist nicht sicher"},
    {35810, "Zertifikat für die Client-Zugriffsberechtigung wird benötigt"},
    {35811, "Client-Zugriffsberechtigung ungültig"},
    {35812, "Client-Zugriffsberechtigung ist nicht gesetzt"},
    {35813, "Asynchroner Thread fehlgeschlagen"},
    {35814, "Änderung im Umleitungsschema"},
    {35815, "Die Operation ist unterbrochen, bis Sie ein geöffnetes Dialogfeld schließen."},
    {35816, "Versuchen Sie die Operation erneut."},
    {35818, "Sie müssen die Operation erneut versuchen, weil eine Überprüfung der Sicherheitszone "
            "negativ ausgefallen ist."},
    {35819, "Der installierbare CD-Cache benötigt eine CD-ROM im Laufwerk."},
    {35876, "FTP - Übertragung läuft"},
    {35877, "Verbindung getrennt"},
    {35878, "Es wurde versucht, eine Verbindung im PASSIVE-Modus aufzubauen (d.h. bei der "
            "ursprünglichen Verbindungsanforderung wurde INTERNET_FLAG_PASSIVE angegeben), aber "
            "der Server lässt diesen Modus nicht zu."},
    {35896, "Gopher - Protokollfehler"},
    {35897, "Gopher - Keine Datei"},
    {35898, "Gopher - Datenfehler"},
    {35899, "Gopher - Keine weiteren Daten"},
    {35900, "Gopher - URL ungültig"},
    {35901, "Gopher - URL-Typ ungültig"},
    {35902, "Gopher - Nicht Gopher Plus"},
    {35903, "Gopher - Attribut nicht gefunden"},
    {35904, "Gopher - URL unbekannt"},
    {35917, "HTTP - Nachgeordneter Server"},
    {35918, "HTTP - Ungültige Server-Antwort"},
    {35919, "HTTP - Ungültiger Header"},
    {35920, "HTTP - Ungültige Abfrageanforderung"},
    {35921, "HTTP:Header existiert schon"},
    {35922, "HTTP - Umleiten fehlgeschlagen"},
    {35923, "Fehler im Sicherheitskanal"},
    {35924, "Datei kann nicht zwischengespeichert werden"},
    {35927, "Sie müssen ein vom Server geliefertes Cookie bestätigen, bevor der Download "
            "fortgesetzt werden kann."},
    {35928, "Ein vom Server geliefertes Cookie wurde nicht akzeptiert."},
    {35930, "Zum angeforderten Server konnte keine Verbindung hergestellt werden. Dies wurde  an "
            "Hand des von WinSock gemeldeten Fehlers WSAEHOSTUNREACH festgestellt."},
    {35931, "Der angeforderte Proxy-Server konnte nicht erreicht werden."},
    {35932,
     "Ein Fehler im Autokonfigurationsskript des Proxys verhindert die Ausführung des Skripts."},
    {35933, "Die benötigte Proxy-Autokonfigurationsdatei konnte nicht abgerufen werden."},
    {35934, "Die müssen eine Umleitung auf Protokollebene bestätigen, bevor der Download "
            "fortgesetzt werden kann."},
    {35935, "Die Zulassung ist ungültig."},
    {35936, "Die Zulassung wurde zurückgezogen."},
    {35937, "Die von Ihnen versuchte Operation ist fehlgeschlagen, weil sie eine "
            "Sicherheitsüberprüfung nicht bestand."},
};

} // namespace

QString clsInet::InetErrDescription(qint32 Number)
{
    static const QHash<qint32, QString> table = [] {
        QHash<qint32, QString> h;
        for (const ErrEntry &e : kErrTable)
            h.insert(e.number, QString::fromUtf8(e.text));
        return h;
    }();
    return table.value(Number);
}
