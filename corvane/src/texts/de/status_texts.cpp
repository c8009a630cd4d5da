// German status texts of CV_StatusText: the library's own statuses, the settings-file statuses that
// share numbers with the interface statuses passed up from the line, and those interface statuses.
#include "corvan32.h"
#include "linkar32.h"
#include "texts.h"

namespace corvan {

namespace {

// Sorted by id; 8-bit texts (Latin-1).
constexpr TextEntry kStatusTexts[] = {
    {kQbxUsbPipeOpenFailed, "die USB-Pipe kann nicht ge\366ffnet werden"},
    {kQbxUsbNoSetupApi, "USB-Unterst\374tzung (libusb) ist nicht verf\374gbar"},
    {kQbxUsbPipeError, "USB-Pipe-Fehler"},
    {kQbxUsbWriteFailed, "Schreiben auf das USB-Ger\344t fehlgeschlagen"},
    {kCvLinClamped, "Wert au\337erhalb der Linearisierungstabelle (begrenzt)"},
    {kCvLinUnsupported, "der Aufnehmer hat keine Linearisierung"},
    {kCvBadReply, "die Antwort des Verst\344rkers war fehlerhaft"},
    {kCvUnknownReadForm, "unbekannte Form der Einstellungsdatei"},
    {kCvNoUnit, "keine Einheit f\374r diesen Verst\344rker und Aufnehmer"},
    {kCvEstRefused, "der Verst\344rker hat die Fehlerstatus-Abfrage abgelehnt"},
    {kCvBadChannel, "kein solcher Kanal"},
    {kCvNoActiveChannel, "kein Kanal ist beteiligt (keiner auf Messen oder Tarieren geschaltet)"},
    {kCvDeviceState5, "der Messwertspeicher des Verst\344rkers ist voll (Ger\344testatus 5)"},
    {kCvDataTimeout, "Zeit\374berschreitung beim Warten auf Messdaten"},
    {kCvOfflineFlagFixed, "das Offline-Kennzeichen kann nicht gesetzt werden"},
    {kCvOfflineOnly, "die Kanalanzahl kann nur offline ge\344ndert werden"},
    {kCvBadValue, "ein Wert liegt au\337erhalb der zul\344ssigen Werte f\374r diesen Kanal oder dieses Ger\344t"},
    {kCvUnitDerived, "die Einheit folgt aus dem Messbereich und kann nicht gesetzt werden"},
    {kCvUnknownSelector, "die Einstellung wird von dieser Operation nicht behandelt"},
    {kCvNoResource, "Textressource nicht gefunden"},
    {kCvOutOfMemory, "kein Speicher mehr im Treiber"},
    {kQbxQueueSetupFailed, "Puffer oder Zeitgrenzen der Schnittstelle k\366nnen nicht eingerichtet werden"},
    {kQbxSetSettingsFailed, "die Leitungseinstellungen k\366nnen nicht gesetzt werden"},
    {kQbxGetSettingsFailed, "die Leitungseinstellungen k\366nnen nicht gelesen werden"},
    {kQbxBreakFailed, "der Break-Zustand der Leitung kann nicht ge\344ndert werden"},
    {kQbxLogError, "die Protokolldatei kann nicht geschrieben werden"},
    {kQbxRxOverrun, "Empfangs\374berlauf auf der Leitung"},
    {kQbxWriteFailed, "Schreiben auf die Schnittstelle fehlgeschlagen"},
    {kQbxRxOverflow, "\334berlauf des Empfangspuffers"},
    {kQbxReadFailed, "keine Antwort des Verst\344rkers innerhalb der Zeitgrenze"},
    {kQbxTableFull, "zu viele offene Schnittstellen"},
    {kQbxCloseFailed, "die Schnittstelle kann nicht geschlossen werden"},
    {kQbxPortNotOpen, "die Schnittstelle ist nicht ge\366ffnet"},
    {kQbxBadArgument, "ung\374ltiges Argument f\374r die Schnittstellenbibliothek"},
    {kQbxNoCurrentPort, "keine Schnittstelle ge\366ffnet"},
    {kQbxOpenFailed, "die Schnittstelle kann nicht ge\366ffnet werden"},
    {kCvOk, "Erfolg"},
    {kQbxLockTimeout, "die Schnittstellensperre wurde nicht rechtzeitig erhalten (ein anderes Programm \366ffnet eine Schnittstelle)"},
};

// Sorted by id.
constexpr TextEntry kFileStatusTexts[] = {
    {kCvUnknownReadForm, "unbekannte Form der Einstellungsdatei"},
    {kCvBadValue, "unbekannte Form der Einstellungsdatei"},
    {kCvFileNotSettings, "die Datei ist keine Corvane-Einstellungsdatei"},
    {kCvFileWriteFailed, "Schreiben der Datei fehlgeschlagen"},
    {kCvFileTooShort, "die Datei ist zu kurz oder enth\344lt mehr als 100 Kan\344le"},
    {kCvFileSeekFailed, "Positionieren in der Datei fehlgeschlagen"},
    {kCvFileOpenFailed, "die Datei kann nicht ge\366ffnet oder angelegt werden"},
};

}  // namespace

std::span<const TextEntry> status_text_table() { return kStatusTexts; }
std::span<const TextEntry> file_status_text_table() { return kFileStatusTexts; }
const char* unknown_status_text() { return "unbekannter Status"; }

}  // namespace corvan
