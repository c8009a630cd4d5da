// German texts of the tool, by their English text (the key used at every call site through tr).
// A "{}" takes the same argument in both languages, in the same order; the table test checks that
// every text the sources mark has an entry here and every entry keeps the placeholders.
#include "messages.h"

namespace corvane_cli {

const MessagePair kGermanMessages[] = {
    {"full bridge 3 mV/V, sine 0.5 +- 1.0 mV/V at 1 Hz", "Vollbrücke 3 mV/V, Sinus 0.5 +- 1.0 mV/V mit 1 Hz"},
    {"full bridge 3 mV/V, constant 1.2 mV/V", "Vollbrücke 3 mV/V, konstant 1.2 mV/V"},
    {"full bridge 3 mV/V, ramp from -1.0 mV/V rising 0.5 mV/V per s, restarting every 4 s",
     "Vollbrücke 3 mV/V, Rampe ab -1.0 mV/V, steigend um 0.5 mV/V je s, Neustart alle 4 s"},
    {"full bridge 3 mV/V, constant -0.8 mV/V", "Vollbrücke 3 mV/V, konstant -0.8 mV/V"},
    {"full bridge 3 mV/V, constant 1.5 mV/V", "Vollbrücke 3 mV/V, konstant 1.5 mV/V"},
    {"dc voltage 10 V, sine 2.5 +- 1.5 V at 0.5 Hz", "DC-Spannung 10 V, Sinus 2.5 +- 1.5 V mit 0.5 Hz"},
    {"thermocouple K, 23.5 +- 0.5 degC sine at 0.2 Hz (about 0.94 mV)",
     "Thermoelement K, Sinus 23.5 +- 0.5 °C mit 0.2 Hz (etwa 0.94 mV)"},
    {"full bridge 3 mV/V with shunt (+1.0 mV/V), constant 0.25 mV/V",
     "Vollbrücke 3 mV/V mit Shunt (+1.0 mV/V), konstant 0.25 mV/V"},
    {"digital I/O, input lines 0x00A5", "Digital-I/O, Eingangsleitungen 0x00A5"},
    {"aux, internal temperature 25 degC", "Aux, interne Temperatur 25 °C"},
    {"{} (status {})", "{} (Status {})"},
    {"The database {} exists already; give another name or --force to replace it.",
     "Die Datenbank {} gibt es schon; einen anderen Namen angeben oder --force, um sie zu ersetzen."},
    {"The database {} cannot be set up", "Die Datenbank {} lässt sich nicht einrichten"},
    {"The database {} needs {} MB, more than the disk has free; record shorter (--duration, --max-duration) or elsewhere.",
     "Die Datenbank {} braucht {} MB, mehr als auf dem Datenträger frei ist; kürzer aufzeichnen (--duration, --max-duration) oder anderswo."},
    {"The database {} cannot be created", "Die Datenbank {} lässt sich nicht anlegen"},
    {"The database {} does not exist.", "Die Datenbank {} gibt es nicht."},
    {"{} is not a channel database, or it cannot be read.",
     "{} ist keine Kanaldatenbank, oder sie lässt sich nicht lesen."},
    {"The database {} cannot be opened", "Die Datenbank {} lässt sich nicht öffnen"},
    {"Channel {} of {} cannot be read", "Kanal {} von {} lässt sich nicht lesen"},
    {"Reading channel {} of {} failed", "Lesen von Kanal {} aus {} fehlgeschlagen"},
    {"Chan.", "Kanal"},
    {"Name", "Name"},
    {"+overflow", "+Überlauf"},
    {"+OVERFLOW", "+ÜBERLAUF"},
    {"OVERFLOW", "ÜBERLAUF"},
    {"-OVERFLOW", "-ÜBERLAUF"},
    {"-overflow", "-Überlauf"},
    {"Channel {}", "Kanal {}"},
    {"\"{}\" is not a channel list (examples: 4, 0-7, 0,2,5-6).",
     "\"{}\" ist keine Kanalliste (Beispiele: 4, 0-7, 0,2,5-6)."},
    {"Channel {} does not exist: the chain has {} channels (0 to {}).",
     "Kanal {} gibt es nicht: die Kette hat {} Kanäle (0 bis {})."},
    {"The option {} of {} needs a value.", "Die Option {} von {} braucht einen Wert."},
    {"The command {} has no option {}.", "Der Befehl {} hat keine Option {}."},
    {"The option {} needs a number, not \"{}\".", "Die Option {} braucht eine Zahl, nicht \"{}\"."},
    {"The option {} needs a duration such as 30, 500ms, 2s, 10min or 1h, not \"{}\".",
     "Die Option {} braucht eine Dauer wie 30, 500ms, 2s, 10min oder 1h, nicht \"{}\"."},
    {"The option {} needs a whole number from {} to {}, not \"{}\".",
     "Die Option {} braucht eine ganze Zahl von {} bis {}, nicht \"{}\"."},
    {"Writing to standard output failed: {}{}.", "Schreiben auf die Standardausgabe fehlgeschlagen: {}{}."},
    {"Writing to standard output failed.", "Schreiben auf die Standardausgabe fehlgeschlagen."},
    {"The option {} takes one of {}, not \"{}\".", "Die Option {} erwartet einen der Werte {}, nicht \"{}\"."},
    {"invalid", "ungültig"},
    {"No temporary file for the values can be created.", "Für die Messwerte lässt sich keine temporäre Datei anlegen."},
    {"Writing the values to a temporary file failed.",
     "Schreiben der Messwerte in eine temporäre Datei fehlgeschlagen."},
    {"Waiting for the trigger (up to {} s, --wait) ...", "Warte auf den Trigger (bis zu {} s, --wait) ..."},
    {"The command acquire takes options only (see corvane --help).",
     "Der Befehl acquire erwartet nur Optionen (siehe corvane --help)."},
    {"Give either --scans or --duration, not both.", "Entweder --scans oder --duration angeben, nicht beides."},
    {"An internal trigger needs --trigger-channel (0 to 7) and --trigger-level.",
     "Ein interner Trigger braucht --trigger-channel (0 bis 7) und --trigger-level."},
    {"The pre-trigger ({} scans) is longer than the acquisition.",
     "Der Vortrigger ({} Scans) ist länger als die Messung."},
    {"An acquisition needs a device: offline there are no measured values.",
     "Eine Messung braucht ein Gerät: offline gibt es keine Messwerte."},
    {"\"{}\" is not a measuring rate; possible are: {}.", "\"{}\" ist keine Abtastrate; möglich sind: {}."},
    {"The acquisition needs at least one scan: --duration {} is shorter than one scan at {} Hz.",
     "Die Messung braucht mindestens einen Scan: --duration {} ist kürzer als ein Scan bei {} Hz."},
    {"No channel is switched to measure; name them with --channels.",
     "Kein Kanal ist auf Messen geschaltet; die Kanäle mit --channels angeben."},
    {"CSV file", "CSV-Datei"},
    {"plot file", "Diagrammdatei"},
    {"metadata file", "Metadatendatei"},
    {"Starting the acquisition failed", "Starten der Messung fehlgeschlagen"},
    {"The measuring rate is now {}; it stays set in the amplifier.",
     "Die Abtastrate ist jetzt {}; sie bleibt im Verstärker eingestellt."},
    {"Sending the trigger failed", "Senden des Triggers fehlgeschlagen"},
    {"scans", "Scans"},
    {"Corvane acquisition: {} channels, {} Hz, {} scans", "Corvane-Messung: {} Kanäle, {} Hz, {} Scans"},
    {"Min", "Min"},
    {"Mean", "Mittel"},
    {"Max", "Max"},
    {"Unit", "Einheit"},
    {" into {}", " nach {}"},
    {" and {}", " und {}"},
    {"Acquired {} scans of {} channel at {} Hz ({} s){}:\n", "{} Scans von {} Kanal mit {} Hz gemessen ({} s){}:\n"},
    {"Acquired {} scans of {} channels at {} Hz ({} s){}:\n", "{} Scans von {} Kanälen mit {} Hz gemessen ({} s){}:\n"},
    {"; nothing was measured", "; es wurde nichts gemessen"},
    {"; the {} scans measured are kept in {}", "; die {} gemessenen Scans bleiben in {} erhalten"},
    {"Interrupted by {} after {} scans{}; the acquisition was stopped.",
     "Durch {} nach {} Scans unterbrochen{}; die Messung wurde angehalten."},
    {"No trigger came within {} s (--wait); the acquisition was stopped and {} was left as it was.",
     "Innerhalb von {} s (--wait) kam kein Trigger; die Messung wurde angehalten und {} blieb unverändert."},
    {"No trigger came within {} s (--wait); the acquisition was stopped.",
     "Innerhalb von {} s (--wait) kam kein Trigger; die Messung wurde angehalten."},
    {"Reading the acquisition failed after {} scans: {}{}.", "Lesen der Messung nach {} Scans fehlgeschlagen: {}{}."},
    {"{} The acquisition was stopped after {} scans.", "{} Die Messung wurde nach {} Scans angehalten."},
    {"Stopping the acquisition failed after {} scans (they are kept)",
     "Anhalten der Messung nach {} Scans fehlgeschlagen (sie bleiben erhalten)"},
    {"The database {} has channels 1 to {}, not {}.", "Die Datenbank {} hat die Kanäle 1 bis {}, nicht {}."},
    {"The database {} has no channel \"{}\"; it has: {}.", "Die Datenbank {} hat keinen Kanal \"{}\"; sie hat: {}."},
    {"Count", "Anzahl"},
    {"Rate", "Rate"},
    {"Start", "Start"},
    {"Last write", "Zuletzt geschrieben"},
    {"Exported {} rows of {} channel into {}.", "{} Zeilen von {} Kanal nach {} exportiert."},
    {"Exported {} rows of {} channels into {}.", "{} Zeilen von {} Kanälen nach {} exportiert."},
    {"{}: {} channel", "{}: {} Kanal"},
    {"{}: {} channels", "{}: {} Kanäle"},
    {"Plotted {} channel of {} into {}.", "{} Kanal aus {} als Diagramm nach {} geschrieben."},
    {"Plotted {} channels of {} into {}.", "{} Kanäle aus {} als Diagramm nach {} geschrieben."},
    {"db needs a database file: corvane db FILE [export [CHANNELS] | plot CHANNELS].",
     "db braucht eine Datenbankdatei: corvane db DATEI [export [KANÄLE] | plot KANÄLE]."},
    {"db takes export or plot after the file, not \"{}\".",
     "db erwartet nach der Datei export oder plot, nicht \"{}\"."},
    {"Listing a database takes no channels or --output; use export or plot.",
     "Das Auflisten einer Datenbank erwartet keine Kanäle und kein --output; dafür export oder plot nehmen."},
    {"Name the channels as one list, such as 1,3-4 or \"Force X,Sum\".",
     "Die Kanäle als eine Liste angeben, etwa 1,3-4 oder \"Kraft X,Summe\"."},
    {"db FILE plot needs the channels and --output FILE.svg.",
     "db DATEI plot braucht die Kanäle und --output DATEI.svg."},
    {"\n"
     "  the file has {} channels, the chain {}",
     "\n"
     "  die Datei hat {} Kanäle, die Kette {}"},
    {"\n"
     "  channel {}: {} ({}) in the file, {} ({}) attached",
     "\n"
     "  Kanal {}: {} ({}) in der Datei, {} ({}) angeschlossen"},
    {"Usage: save FILE (.txt: text report, else binary setup)",
     "Aufruf: save DATEI (.txt: Textbericht, sonst binäres Setup)"},
    {"Saving the setup to {} failed", "Speichern des Setups nach {} fehlgeschlagen"},
    {"Saved the text report of {} channels to {}", "Textbericht von {} Kanälen nach {} gespeichert"},
    {"Saved the binary setup of {} channels to {}", "Binäres Setup von {} Kanälen nach {} gespeichert"},
    {"Usage: load [--force] FILE (a binary setup)", "Aufruf: load [--force] DATEI (ein binäres Setup)"},
    {"A text report ({}) cannot be loaded; load a binary setup file (.cvs) instead.",
     "Ein Textbericht ({}) lässt sich nicht laden; stattdessen eine binäre Setup-Datei (.cvs) laden."},
    {"The setup {} does not fit the attached chain (load --force loads what fits):{}",
     "Das Setup {} passt nicht zur angeschlossenen Kette (load --force lädt, was passt):{}"},
    {"Loading the setup {} failed", "Laden des Setups {} fehlgeschlagen"},
    {"Sending the device settings of {} failed", "Senden der Geräteeinstellungen aus {} fehlgeschlagen"},
    {"\n"
     "  channel {}: {}",
     "\n"
     "  Kanal {}: {}"},
    {"Loaded {}, but the device did not take these channels:{}",
     "{} geladen, aber das Gerät hat diese Kanäle nicht übernommen:{}"},
    {"Loaded {}: {} channels (offline: kept in memory)", "{} geladen: {} Kanäle (offline: im Speicher gehalten)"},
    {"Loaded {}: {} channels, {} channels sent to the device",
     "{} geladen: {} Kanäle, {} Kanäle an das Gerät gesendet"},
    {"sim (built-in simulator, {} device(s))", "sim (eingebauter Simulator, {} Gerät(e))"},
    {"offline (no device; settings are checked in memory)",
     "offline (kein Gerät; Einstellungen werden im Speicher geprüft)"},
    {"ERROR", "FEHLER"},
    {"The command info takes no arguments.", "Der Befehl info erwartet keine Argumente."},
    {"Driver:            {} version {}\n", "Treiber:                  {} Version {}\n"},
    {"Interface library: {}\n", "Schnittstellenbibliothek: {}\n"},
    {"Port:              {}\n", "Schnittstelle:            {}\n"},
    {"Device:            {}, serial number {}, program version {}\n",
     "Gerät:                    {}, Seriennummer {}, Programmversion {}\n"},
    {"Channels:          {} ({} device of 10 slots)\n",
     "Kanäle:                   {} ({} Gerät mit 10 Steckplätzen)\n"},
    {"Channels:          {} ({} devices of 10 slots)\n",
     "Kanäle:                   {} ({} Geräte mit je 10 Steckplätzen)\n"},
    {"Measuring rate:    {}\n", "Abtastrate:               {}\n"},
    {"Filter:            {}, {}\n", "Filter:                   {}, {}\n"},
    {"Chain:\n", "Kette:\n"},
    {"  device {}: channels {}-{}, serial number {}, program version {}\n",
     "  Gerät {}: Kanäle {}-{}, Seriennummer {}, Programmversion {}\n"},
    {"Usage: show [--channels LIST]", "Aufruf: show [--channels LISTE]"},
    {"Scale", "Faktor"},
    {"on", "ein"},
    {"off", "aus"},
    {"Device {}: {} channels, measuring rate {}, filter {} {}", "Gerät {}: {} Kanäle, Abtastrate {}, Filter {} {}"},
    {" (offline)", " (offline)"},
    {"The command ports takes no arguments.", "Der Befehl ports erwartet keine Argumente."},
    {"Serial ports (--port PATH):\n", "Serielle Schnittstellen (--port PFAD):\n"},
    {"  none found\n", "  keine gefunden\n"},
    {"USB Corvanes (--port usb:SERIAL):\n", "Corvanes an USB (--port usb:SERIENNUMMER):\n"},
    {"  not available: {}\n", "  nicht verfügbar: {}\n"},
    {"Reading the measured values failed after {} readings", "Lesen der Messwerte nach {} Ablesungen fehlgeschlagen"},
    {"Switching the channels to measure failed", "Umschalten der Kanäle auf Messen fehlgeschlagen"},
    {"Channel {} no longer measures; the amplifier keeps this state after the run.",
     "Kanal {} misst nicht mehr; der Verstärker behält diesen Zustand nach dem Lauf."},
    {"Channels {} no longer measure; the amplifier keeps this state after the run.",
     "Kanäle {} messen nicht mehr; der Verstärker behält diesen Zustand nach dem Lauf."},
    {"Usage: tare [CHANNELS]", "Aufruf: tare [KANÄLE]"},
    {"Channel {} ({}) cannot be tared.", "Kanal {} ({}) lässt sich nicht tarieren."},
    {"Choosing the channels to tare failed", "Auswählen der zu tarierenden Kanäle fehlgeschlagen"},
    {"No channel is switched to tare; name the channels (tare 0-7) or set their state to \"measure/tare active\".",
     "Kein Kanal ist auf Tara geschaltet; die Kanäle angeben (tare 0-7) oder ihren Zustand auf \"Messen/Tara aktiv\" setzen."},
    {"Taring failed", "Tarieren fehlgeschlagen"},
    {"Sending the tare value of channel {} failed", "Senden des Tarawerts von Kanal {} fehlgeschlagen"},
    {"Tared {} channel", "{} Kanal tariert"},
    {"Tared {} channels", "{} Kanäle tariert"},
    {" (offline: the tare value is the last measured value)", " (offline: der Tarawert ist der letzte Messwert)"},
    {"Tare value", "Tarawert"},
    {"Usage: read [--count N] [--interval T] [--channels LIST] [--csv [--output FILE]]",
     "Aufruf: read [--count N] [--interval T] [--channels LISTE] [--csv [--output DATEI]]"},
    {"--output of read goes with --csv.", "--output von read gilt nur mit --csv."},
    {"Reading the measured values failed", "Lesen der Messwerte fehlgeschlagen"},
    {"Meas. Value", "Messwert"},
    {"Usage: shunt-cal CHANNELS", "Aufruf: shunt-cal KANÄLE"},
    {"A shunt calibration needs a device: offline nothing is measured.",
     "Eine Shunt-Kalibrierung braucht ein Gerät: offline wird nichts gemessen."},
    {"Channel {} ({}) has no shunt calibration; skipped.", "Kanal {} ({}) hat keine Shunt-Kalibrierung; übersprungen."},
    {"Channel {} is not switched to measure; the calibration reads it. Set its state to \"measure active\" first.",
     "Kanal {} ist nicht auf Messen geschaltet; die Kalibrierung misst ihn. Zuerst seinen Zustand auf \"Messen aktiv\" setzen."},
    {"None of the channels {} has a calibratable shunt (amplifier {}).",
     "Keiner der Kanäle {} hat einen kalibrierbaren Shunt (Verstärker {})."},
    {"The shunt calibration failed", "Die Shunt-Kalibrierung ist fehlgeschlagen"},
    {"Shunt calibration done:\n", "Shunt-Kalibrierung durchgeführt:\n"},
    {"Scale factor", "Skalierungsfaktor"},
    {"--rate takes a measuring rate from 1 to 9600 Hz (\"600 Hz\" or 600), not \"{}\".",
     "--rate erwartet eine Abtastrate von 1 bis 9600 Hz (\"600 Hz\" oder 600), nicht \"{}\"."},
    {"  {} scans  {} scans/s  {} values/s", "  {} Scans  {} Scans/s  {} Werte/s"},
    {"The {} needs a file name.", "Die {} braucht einen Dateinamen."},
    {"The {} needs a file name of at most 255 characters.",
     "Die {} braucht einen Dateinamen mit höchstens 255 Zeichen."},
    {"The folder {} of the {} does not exist.", "Den Ordner {} der {} gibt es nicht."},
    {"The {} {} exists already; give another name or --force to replace it.",
     "Die {} {} gibt es schon; einen anderen Namen angeben oder --force, um sie zu ersetzen."},
    {"The command record takes options only (see corvane record --help).",
     "Der Befehl record erwartet nur Optionen (siehe corvane record --help)."},
    {"record needs --channels LIST (such as 0-3).", "record braucht --channels LISTE (etwa 0-3)."},
    {"record needs --rate R (such as \"600 Hz\").", "record braucht --rate R (etwa \"600 Hz\")."},
    {"--duration must be longer than 0.", "--duration muss länger als 0 sein."},
    {"Give either --duration or --max-duration, not both.",
     "Entweder --duration oder --max-duration angeben, nicht beides."},
    {"database", "Datenbank"},
    {"online file", "Online-Datei"},
    {"The database and the online file must be two files.",
     "Die Datenbank und die Online-Datei müssen zwei verschiedene Dateien sein."},
    {"A recording needs a device: offline there are no measured values.",
     "Eine Aufzeichnung braucht ein Gerät: offline gibt es keine Messwerte."},
    {"Channel{}", "Kanal {}"},
    {"Two recorded channels are named \"{}\"; give the formula another name.",
     "Zwei aufgezeichnete Kanäle heißen \"{}\"; der Formel einen anderen Namen geben."},
    {"The Corvane has no rate of {} Hz; recording at {} Hz.",
     "Der Corvane hat keine Abtastrate von {} Hz; Aufzeichnung mit {} Hz."},
    {"--duration {} is shorter than one scan at {} Hz.", "--duration {} ist kürzer als ein Scan bei {} Hz."},
    {"The disk of {} has no room for a recording.", "Der Datenträger von {} hat keinen Platz für eine Aufzeichnung."},
    {"A database channel holds at most 2000000000 values: record shorter.",
     "Ein Datenbankkanal fasst höchstens 2000000000 Werte: kürzer aufzeichnen."},
    {"Recording into {} until Ctrl-C (room for {}, --max-duration).",
     "Aufzeichnung nach {} bis Strg-C (Platz für {}, --max-duration)."},
    {"; the {} scans recorded are kept in {}", "; die {} aufgezeichneten Scans bleiben in {} erhalten"},
    {" of {} channel", " von {} Kanal"},
    {" of {} channels", " von {} Kanälen"},
    {" and {} formula", " und {} Formel"},
    {" and {} formulas", " und {} Formeln"},
    {"{} line", "{} Leitung"},
    {"{} lines", "{} Leitungen"},
    {"; stopped by {}", "; durch {} beendet"},
    {"; the database is full (--max-duration)", "; die Datenbank ist voll (--max-duration)"},
    {"Recorded {} scans{}{} at {} Hz from {} ({} s of data in {} s){}{}:\n",
     "{} Scans{}{} mit {} Hz von {} aufgezeichnet ({} s Daten in {} s){}{}:\n"},
    {"The online file {} could not be created ({}); the recording was stopped after {} scans{}.",
     "Die Online-Datei {} ließ sich nicht anlegen ({}); die Aufzeichnung wurde nach {} Scans angehalten{}."},
    {"The online file {} could not be written ({}); the recording was stopped after {} scans{}.",
     "Die Online-Datei {} ließ sich nicht schreiben ({}); die Aufzeichnung wurde nach {} Scans angehalten{}."},
    {"Reading the recording failed after {} scans: {}{}.",
     "Lesen der Aufzeichnung nach {} Scans fehlgeschlagen: {}{}."},
    {"Stopping the recording failed after {} scans: {}{}.",
     "Anhalten der Aufzeichnung nach {} Scans fehlgeschlagen: {}{}."},
    {"Warning: {}: {}.", "Warnung: {}: {}."},
    {"channel {} ({}, {})", "Kanal {} ({}, {})"},
    {"The amplifier type of channel {} is fixed by the hardware; it can be chosen offline only.",
     "Der Verstärkertyp von Kanal {} ist durch die Hardware festgelegt; er lässt sich nur offline wählen."},
    {"The amplifier type can be chosen on slots 4 to 7 of a device only; channel {} is slot {}.",
     "Der Verstärkertyp lässt sich nur auf den Steckplätzen 4 bis 7 eines Geräts wählen; Kanal {} ist Steckplatz {}."},
    {"Channel {} ({}) has no {} to set.", "Kanal {} ({}) hat keine Einstellung {}."},
    {"\"{}\" is not a possible {} for {}; possible are: {}.",
     "\"{}\" ist als {} für {} nicht möglich; möglich sind: {}."},
    {"Channel {} \"{}\": {}", "Kanal {} \"{}\": {}"},
    {", range {}", ", Messbereich {}"},
    {", tare value {}", ", Tarawert {}"},
    {", shunt on", ", Shunt ein"},
    {", shunt off", ", Shunt aus"},
    {", output word {}", ", Ausgangswort {}"},
    {"The name \"{}\" holds \"{}\", which the amplifier cannot store: names take Latin-1 characters only.",
     "Der Name \"{}\" enthält \"{}\", das der Verstärker nicht speichern kann: Namen dürfen nur Latin-1-Zeichen enthalten."},
    {"The name \"{}\" is too long: a channel name has at most 19 characters.",
     "Der Name \"{}\" ist zu lang: ein Kanalname hat höchstens 19 Zeichen."},
    {"The {} needs a number, not \"{}\".", "Die Einstellung {} braucht eine Zahl, nicht \"{}\"."},
    {"Channel {} ({}) has no tare value.", "Kanal {} ({}) hat keinen Tarawert."},
    {"The digital output word needs a whole number from 0 to 65535 (or 0x0000 to 0xFFFF), not \"{}\".",
     "Das digitale Ausgangswort braucht eine ganze Zahl von 0 bis 65535 (oder 0x0000 bis 0xFFFF), nicht \"{}\"."},
    {"Channel {} is not a digital I/O channel.", "Kanal {} ist kein Digital-I/O-Kanal."},
    {"Setting {} of channel {}", "Einstellen von {} an Kanal {}"},
    {"{} is not allowed", "{} ist nicht erlaubt"},
    {"Sending {} of channel {} to the device failed", "Senden von {} für Kanal {} an das Gerät fehlgeschlagen"},
    {"\"{}\" is not a possible {} with the present measuring rate and filter type; possible are: {}.",
     "\"{}\" ist als {} bei der jetzigen Abtastrate und dem jetzigen Filtertyp nicht möglich; möglich sind: {}."},
    {"\"{}\" is not a possible {}; possible are: {}.", "\"{}\" ist als {} nicht möglich; möglich sind: {}."},
    {"Usage: set CHANNELS SETTING VALUE (settings: {}).", "Aufruf: set KANÄLE EINSTELLUNG WERT (Einstellungen: {})."},
    {"\"{}\" is not a channel setting; the settings are: {}.",
     "\"{}\" ist keine Kanaleinstellung; die Einstellungen sind: {}."},
    {"{} Channels {} were changed already.", "{} Die Kanäle {} wurden bereits geändert."},
    {"Usage: set-device SETTING VALUE (settings: {}).", "Aufruf: set-device EINSTELLUNG WERT (Einstellungen: {})."},
    {"\"{}\" is not a device setting; the settings are: {}.",
     "\"{}\" ist keine Geräteeinstellung; die Einstellungen sind: {}."},
    {"Setting the {}", "Einstellen von {}"},
    {"The device name \"{}\" is too long: at most 9 characters.",
     "Der Gerätename \"{}\" ist zu lang: höchstens 9 Zeichen."},
    {"The number of channels must be 1 to 100, not \"{}\".", "Die Kanalzahl muss 1 bis 100 sein, nicht \"{}\"."},
    {"Sending the {} to the device failed", "Senden von {} an das Gerät fehlgeschlagen"},
    {"The {} {} cannot be created: {}.", "Die {} {} lässt sich nicht anlegen: {}."},
    {"; what was written is in {}", "; das Geschriebene steht in {}"},
    {"Writing the {} {} failed: {}{}.", "Schreiben der {} {} fehlgeschlagen: {}{}."},
    {"Renaming {} to {} failed: {}; the measured data are in {}.",
     "Umbenennen von {} in {} fehlgeschlagen: {}; die Messdaten stehen in {}."},
    {"The driver library {} cannot be loaded: {}.", "Die Treiberbibliothek {} lässt sich nicht laden: {}."},
    {"unknown reason", "unbekannter Grund"},
    {"The driver library {} has no function {}; it is too old for this tool.",
     "Die Treiberbibliothek {} hat keine Funktion {}; sie ist zu alt für dieses Programm."},
    {"--formula takes NAME=TEXT, such as \"Sum=c0+c1\", not \"{}\".",
     "--formula erwartet NAME=TEXT, etwa \"Summe=c0+c1\", nicht \"{}\"."},
    {"The unit \"{}\" of a formula may have at most 10 characters.",
     "Die Einheit \"{}\" einer Formel darf höchstens 10 Zeichen haben."},
    {"The formula name \"{}\" must be 1 to 31 characters without a comma.",
     "Der Formelname \"{}\" muss 1 bis 31 Zeichen ohne Komma haben."},
    {"The formula {} uses c{}, which is not recorded: add channel {} to --channels.",
     "Die Formel {} nutzt c{}, das nicht aufgezeichnet wird: Kanal {} zu --channels hinzufügen."},
    {"The formula {} is longer than {} characters.", "Die Formel {} ist länger als {} Zeichen."},
    {"  info                         identity of driver, line and every device of the chain\n",
     "  info                         Kennung von Treiber, Leitung und jedem Gerät der Kette\n"},
    {"Shows the driver and interface library versions, the line, the channel count, the measuring\n"
     "rate and filter, and the serial number and program version of every device of the chain.\n",
     "Zeigt die Versionen der Treiber- und der Schnittstellenbibliothek, die Leitung, die Kanalzahl,\n"
     "Abtastrate und Filter sowie Seriennummer und Programmversion jedes Geräts der Kette.\n"},
    {"  show [--channels LIST]       all channels as a table with a live value\n",
     "  show [--channels LISTE]      alle Kanäle als Tabelle mit aktuellem Messwert\n"},
    {"One line per channel: name, transducer, range, filter, tare state and value, shunt, scale\n"
     "factor and a value measured now.\n"
     "  --channels LIST   only these channels\n",
     "Eine Zeile je Kanal: Name, Aufnehmer, Messbereich, Filter, Tara-Zustand und Tarawert, Shunt,\n"
     "Skalierungsfaktor und ein jetzt gemessener Wert.\n"
     "  --channels LISTE  nur diese Kanäle\n"},
    {"  set CHANNELS SETTING VALUE   amplifier, name, state, transducer, range, filter, tare,\n"
     "                               digital, shunt; e.g. set 4 range \"125 mV/V\"\n",
     "  set KANÄLE EINSTELLUNG WERT  amplifier, name, state, transducer, range, filter, tare,\n"
     "                               digital, shunt; z. B. set 4 range \"125 mV/V\"\n"},
    {"Sets one setting of the channels and sends it to the amplifier. VALUE is an index string\n"
     "(\"125 mV/V\", \"full bridge\") or its id; every channel is checked first, so a value one of them\n"
     "cannot take changes none. Names take Latin-1 characters only (up to 19); they stay in memory\n"
     "and setup files. Settings: amplifier (offline, slots 4 to 7), name, state, transducer, range,\n"
     "filter, tare, digital (output word 0..65535), shunt (on/off).\n",
     "Setzt eine Einstellung der Kanäle und sendet sie an den Verstärker. WERT ist ein Indextext\n"
     "(\"125 mV/V\", \"Vollbrücke\") oder seine Nummer; jeder Kanal wird zuerst geprüft, ein Wert, den\n"
     "einer davon nicht annimmt, ändert also keinen. Namen dürfen nur Latin-1-Zeichen enthalten (bis\n"
     "zu 19); sie bleiben im Speicher und in Setup-Dateien. Einstellungen: amplifier (Verstärkertyp;\n"
     "offline, Steckplätze 4 bis 7), name (Name), state (Zustand), transducer (Aufnehmer), range\n"
     "(Messbereich), filter (Filtermodus), tare (Tarawert), digital (Ausgangswort 0..65535),\n"
     "shunt (ein/aus).\n"},
    {"  set-device SETTING VALUE     rate, filter-type, filter-frequency, channels, name\n",
     "  set-device EINSTELLUNG WERT  rate, filter-type, filter-frequency, channels, name\n"},
    {"Sets a device setting and sends it to the amplifier, where it stays: rate (\"600 Hz\" or 600),\n"
     "filter-type, filter-frequency, channels (offline only), name (up to 9 characters).\n",
     "Setzt eine Geräteeinstellung und sendet sie an den Verstärker, wo sie bleibt: rate (Abtastrate,\n"
     "\"600 Hz\" oder 600), filter-type (Filtertyp), filter-frequency (Filterfrequenz), channels\n"
     "(Kanalzahl, nur offline), name (Gerätename, bis zu 9 Zeichen).\n"},
    {"  tare [CHANNELS]              tare the channels (default: those in tare state)\n",
     "  tare [KANÄLE]                die Kanäle tarieren (Vorgabe: die im Tara-Zustand)\n"},
    {"Tares the channels (switching them to tare state) or every channel in tare state, and sends\n"
     "the tare values to the amplifier.\n",
     "Tariert die Kanäle (und schaltet sie in den Tara-Zustand) oder jeden Kanal im Tara-Zustand und\n"
     "sendet die Tarawerte an den Verstärker.\n"},
    {"  read [--count N] [--interval T] [--channels LIST] [--csv [--output FILE]]\n"
     "                               single values; live on a terminal; --csv logs rows\n",
     "  read [--count N] [--interval T] [--channels LISTE] [--csv [--output DATEI]]\n"
     "                               Einzelwerte; laufend am Terminal; --csv protokolliert Zeilen\n"},
    {"Takes single readings of the measuring channels.\n"
     "  --count N         readings (0: until Ctrl-C; default 1, on a terminal and with --csv 0)\n"
     "  --interval T      time between readings (default 200ms)\n"
     "  --channels LIST   measure exactly these channels (the others stop measuring; said)\n"
     "  --csv             logger: one CSV row per reading: ISO 8601 time (UTC), seconds since the\n"
     "                    first reading, one column per channel; # metadata lines first\n"
     "  --output FILE     the CSV into FILE (\"-\": standard output, the default)\n",
     "Liest Einzelwerte der messenden Kanäle.\n"
     "  --count N         Ablesungen (0: bis Strg-C; Vorgabe 1, am Terminal und mit --csv 0)\n"
     "  --interval T      Zeit zwischen den Ablesungen (Vorgabe 200ms)\n"
     "  --channels LISTE  genau diese Kanäle messen (die anderen messen nicht mehr; wird gemeldet)\n"
     "  --csv             Protokoll: eine CSV-Zeile je Ablesung: Zeit nach ISO 8601 (UTC), Sekunden\n"
     "                    seit der ersten Ablesung, eine Spalte je Kanal; davor # Metadatenzeilen\n"
     "  --output DATEI    die CSV in DATEI (\"-\": Standardausgabe, die Vorgabe)\n"},
    {"  acquire [--rate R] [--scans N | --duration T] [--channels LIST] [--trigger MODE ...]\n"
     "          [--pretrigger N] [--wait T] [--output FILE.csv] [--plot FILE.svg] [--meta FILE]\n"
     "                               block acquisition into CSV, chart and statistics\n",
     "  acquire [--rate R] [--scans N | --duration T] [--channels LISTE] [--trigger MODUS ...]\n"
     "          [--pretrigger N] [--wait T] [--output DATEI.csv] [--plot DATEI.svg] [--meta DATEI]\n"
     "                               Blockmessung in CSV, Diagramm und Statistik\n"},
    {"Measures at the measuring rate and writes one CSV row per scan: the time in seconds (0 at the\n"
     "trigger) and one column per channel, after \"# key: value\" lines that describe the run (tool,\n"
     "command line, port, serial numbers, rate, filter, every channel's range, unit, tare and scale\n"
     "factor, ISO 8601 start and trigger time). Rows are flushed block by block into FILE.XXXXXX.part,\n"
     "which replaces FILE at the end; whatever ends the run (a failure, Ctrl-C, SIGTERM, SIGHUP), the\n"
     "rows measured are kept, and an existing FILE is left as it was when nothing was measured.\n"
     "Memory stays the same however long the run. A summary (minimum, mean, maximum) goes to\n"
     "standard error.\n"
     "  --rate R          measuring rate (\"600 Hz\" or 600); it stays set in the amplifier\n"
     "  --scans N         number of scans\n"
     "  --duration T      length of the run: 30, 500ms, 2s, 10min, 1h\n"
     "                    without --scans and --duration the run goes on until Ctrl-C\n"
     "  --channels LIST   measure exactly these channels (the others stop measuring; said)\n"
     "  --trigger MODE    immediate (default), software, external, internal\n"
     "  --trigger-channel C, --trigger-level L, --trigger-condition ge|le|rising|falling\n"
     "                    the internal trigger: channel 0 to 7, level in the channel's unit\n"
     "  --pretrigger N    scans kept before the trigger (0 to 200); they get negative times\n"
     "  --wait T          how long to wait for the trigger (default 10s); Ctrl-C ends the wait\n"
     "  --output FILE     the CSV into FILE (\"-\" or none: standard output)\n"
     "  --plot FILE       an SVG chart of the run (min/max per pixel), the trigger marked\n"
     "  --meta FILE       the metadata as a JSON document beside the CSV\n"
     "Overflowed values are words in the CSV: +overflow / -overflow (beyond the range, up to twice\n"
     "it), +OVERFLOW / -OVERFLOW (beyond twice the range), OVERFLOW (no valid reading). Statistics and\n"
     "the chart skip them and count them per kind; JSON gives null.\n",
     "Misst mit der Abtastrate und schreibt eine CSV-Zeile je Scan: die Zeit in Sekunden (0 beim\n"
     "Trigger) und eine Spalte je Kanal, nach \"# Name: Wert\"-Zeilen, die den Lauf beschreiben\n"
     "(Programm, Befehlszeile, Schnittstelle, Seriennummern, Abtastrate, Filter, Messbereich,\n"
     "Einheit, Tarawert und Skalierungsfaktor jedes Kanals, Start- und Triggerzeit nach ISO 8601).\n"
     "Die Zeilen werden Block für Block in DATEI.XXXXXX.part geschrieben, die am Ende DATEI ersetzt;\n"
     "was auch immer den Lauf beendet (ein Fehler, Strg-C, SIGTERM, SIGHUP), die gemessenen Zeilen\n"
     "bleiben erhalten, und eine vorhandene DATEI bleibt unverändert, solange nichts gemessen wurde.\n"
     "Der Speicherbedarf bleibt gleich, wie lang der Lauf auch ist. Eine Zusammenfassung (Minimum,\n"
     "Mittelwert, Maximum) geht auf die Standardfehlerausgabe.\n"
     "  --rate R          Abtastrate (\"600 Hz\" oder 600); sie bleibt im Verstärker eingestellt\n"
     "  --scans N         Anzahl der Scans\n"
     "  --duration T      Dauer des Laufs: 30, 500ms, 2s, 10min, 1h\n"
     "                    ohne --scans und --duration läuft die Messung bis Strg-C\n"
     "  --channels LISTE  genau diese Kanäle messen (die anderen messen nicht mehr; wird gemeldet)\n"
     "  --trigger MODUS   immediate (sofort, Vorgabe), software, external (extern), internal (intern)\n"
     "  --trigger-channel C, --trigger-level L, --trigger-condition ge|le|rising|falling\n"
     "                    der interne Trigger: Kanal 0 bis 7, Schwelle in der Einheit des Kanals\n"
     "  --pretrigger N    Scans vor dem Trigger (0 bis 200); sie bekommen negative Zeiten\n"
     "  --wait T          wie lange auf den Trigger gewartet wird (Vorgabe 10s); Strg-C beendet\n"
     "                    das Warten\n"
     "  --output DATEI    die CSV in DATEI (\"-\" oder keine Angabe: Standardausgabe)\n"
     "  --plot DATEI      ein SVG-Diagramm des Laufs (Min/Max je Pixel), mit markiertem Trigger\n"
     "  --meta DATEI      die Metadaten als JSON-Dokument neben der CSV\n"
     "Übersteuerte Werte stehen als Wörter in der CSV: +overflow / -overflow (über dem Messbereich,\n"
     "bis zum Doppelten), +OVERFLOW / -OVERFLOW (über dem doppelten Messbereich), OVERFLOW (kein\n"
     "gültiger Messwert); Tabellen zeigen sie als +Überlauf, +ÜBERLAUF, ÜBERLAUF. Statistik und\n"
     "Diagramm lassen sie aus und zählen sie je Art; JSON gibt null.\n"},
    {"  record --channels LIST --rate R [--duration T] [--formula NAME=TEXT ...] [--db FILE]\n"
     "         [--online FILE]\n"
     "                               recording on the acquisition kernel into a channel database\n",
     "  record --channels LISTE --rate R [--duration T] [--formula NAME=TEXT ...] [--db DATEI]\n"
     "         [--online DATEI]\n"
     "                               Aufzeichnung über den Erfassungskern in eine Kanaldatenbank\n"},
    {"Records the channels at the rate on the acquisition kernel, which reads every block, scales it,\n"
     "computes the formula channels and stores it in the channel database. With --duration it records\n"
     "exactly T x the rate the Corvane runs at (the fastest of its rates not above R) scans; without it\n"
     "until Ctrl-C, SIGTERM or SIGHUP, which end the recording cleanly (the last block stored, the\n"
     "database closed) with exit status 0, or until the database is full. Repeat --port to record\n"
     "from several lines together: the channels of the next line follow on the last one's (two lines\n"
     "of 10 channels: 0-9 and 10-19). Channels in tare state keep their tare; amplifier states are\n"
     "put back at the end.\n"
     "YALPLUS racks (--port yalplus:PORT, every line a rack) record the gross signal of their slots:\n"
     "a rack's channel n is its slot n (1 to 16); a rack runs at the slowest of its rates not below\n"
     "R, up to 19200 Hz.\n"
     "On a terminal two lines show the last values and the progress; otherwise a plain line, or with\n"
     "--json a JSON document, every second and one at the end. A summary goes to standard error.\n"
     "  --channels LIST     the channels to record\n"
     "  --rate R            measuring rate (\"600 Hz\" or 600), 1 to 9600 Hz (a YALPLUS: 19200 Hz)\n"
     "  --duration T        length: 30, 500ms, 2s, 10min, 1h\n"
     "  --max-duration T    without --duration: the database's room (default: 24h, or what 90 % of\n"
     "                      the free disk space holds)\n"
     "  --formula NAME=TEXT a formula channel (repeatable), c<n> being channel n: \"Sum=c0+c1\",\n"
     "                      \"P [mV/V]=sqrt(c0^2+c1^2)\" (a unit in brackets after the name)\n"
     "  --db FILE           the channel database: one channel per recorded channel and formula,\n"
     "                      named, with its unit, rate and start time\n"
     "  --online FILE       an online file as well: a first text line naming the channels, then\n"
     "                      per block and channel a 32-bit count and that many doubles\n"
     "                      (little-endian), written through block by block; a failed write stops\n"
     "                      the recording (exit status 1), what was recorded is kept\n"
     "  --force             replace an existing database or online file (otherwise refused)\n",
     "Zeichnet die Kanäle mit der Abtastrate über den Erfassungskern auf, der jeden Block liest,\n"
     "skaliert, die Formelkanäle berechnet und in der Kanaldatenbank speichert. Mit --duration werden\n"
     "genau T x Abtastrate des Corvane (die schnellste seiner Raten nicht über R) Scans aufgezeichnet;\n"
     "ohne bis Strg-C, SIGTERM oder SIGHUP, die die Aufzeichnung sauber beenden (letzter Block\n"
     "gespeichert, Datenbank geschlossen) mit Exit-Status 0, oder bis die Datenbank voll ist. Mit\n"
     "wiederholtem --port wird von mehreren Leitungen zugleich aufgezeichnet: die Kanäle der nächsten\n"
     "Leitung schließen an die der vorigen an (zwei Leitungen mit 10 Kanälen: 0-9 und 10-19). Kanäle\n"
     "im Tara-Zustand behalten ihre Tara; die Zustände der Verstärker werden am Ende zurückgesetzt.\n"
     "YALPLUS-Racks (--port yalplus:PORT, jede Leitung ein Rack) zeichnen das Bruttosignal ihrer\n"
     "Steckplätze auf: Kanal n eines Racks ist sein Steckplatz n (1 bis 16); ein Rack läuft mit der\n"
     "langsamsten seiner Raten nicht unter R, bis 19200 Hz.\n"
     "Am Terminal zeigen zwei Zeilen die letzten Werte und den Fortschritt; sonst eine einfache Zeile,\n"
     "oder mit --json ein JSON-Dokument, jede Sekunde und eines am Ende. Eine Zusammenfassung geht auf\n"
     "die Standardfehlerausgabe.\n"
     "  --channels LISTE    die aufzuzeichnenden Kanäle\n"
     "  --rate R            Abtastrate (\"600 Hz\" oder 600), 1 bis 9600 Hz (ein YALPLUS: 19200 Hz)\n"
     "  --duration T        Dauer: 30, 500ms, 2s, 10min, 1h\n"
     "  --max-duration T    ohne --duration: der Platz der Datenbank (Vorgabe: 24h, oder was 90 % des\n"
     "                      freien Speicherplatzes fassen)\n"
     "  --formula NAME=TEXT ein Formelkanal (wiederholbar), c<n> steht für Kanal n: \"Summe=c0+c1\",\n"
     "                      \"P [mV/V]=sqrt(c0^2+c1^2)\" (eine Einheit in Klammern nach dem Namen)\n"
     "  --db DATEI          die Kanaldatenbank: ein Kanal je aufgezeichnetem Kanal und je Formel,\n"
     "                      benannt, mit Einheit, Abtastrate und Startzeit\n"
     "  --online DATEI      zusätzlich eine Online-Datei: eine erste Textzeile mit den Kanalnamen,\n"
     "                      dann je Block und Kanal eine 32-Bit-Anzahl und so viele Doubles\n"
     "                      (Little-Endian), Block für Block durchgeschrieben; ein fehlgeschlagenes\n"
     "                      Schreiben beendet die Aufzeichnung (Exit-Status 1), das Aufgezeichnete\n"
     "                      bleibt erhalten\n"
     "  --force             eine vorhandene Datenbank oder Online-Datei ersetzen (sonst abgewiesen)\n"},
    {"  db FILE [export [CHANNELS] [--output F.csv] | plot CHANNELS --output F.svg]\n"
     "                               list, export or plot a channel database\n",
     "  db DATEI [export [KANÄLE] [--output D.csv] | plot KANÄLE --output D.svg]\n"
     "                               eine Kanaldatenbank auflisten, exportieren oder darstellen\n"},
    {"Without more: one line per channel of the database: number, name, unit, count, minimum,\n"
     "maximum, rate, start time and last write (ISO 8601, UTC).\n"
     "  export [CHANNELS]   CSV: a time column (when the channels share a rate), then one column per\n"
     "                      channel headed \"name [unit]\"; every channel when none is named\n"
     "  plot CHANNELS       an SVG chart (min/max per pixel)\n"
     "  --output FILE       where to (export: \"-\" or none is standard output)\n"
     "CHANNELS are database channel numbers from 1 (1, 2-4) or channel names, separated by commas.\n",
     "Ohne weitere Angaben: eine Zeile je Kanal der Datenbank: Nummer, Name, Einheit, Anzahl, Minimum,\n"
     "Maximum, Abtastrate, Startzeit und letzter Schreibzeitpunkt (ISO 8601, UTC).\n"
     "  export [KANÄLE]     CSV: eine Zeitspalte (wenn die Kanäle eine Abtastrate teilen), dann eine\n"
     "                      Spalte je Kanal mit der Überschrift \"Name [Einheit]\"; alle Kanäle, wenn\n"
     "                      keiner angegeben ist\n"
     "  plot KANÄLE         ein SVG-Diagramm (Min/Max je Pixel)\n"
     "  --output DATEI      wohin (export: \"-\" oder keine Angabe ist die Standardausgabe)\n"
     "KANÄLE sind Datenbank-Kanalnummern ab 1 (1, 2-4) oder Kanalnamen, durch Kommas getrennt.\n"},
    {"  save FILE                    save the setup: FILE.txt as text report, else binary\n",
     "  save DATEI                   das Setup speichern: DATEI.txt als Textbericht, sonst binär\n"},
    {"Writes the setup of the chain: a binary setup file, or the text report for a name ending in\n"
     ".txt.\n",
     "Schreibt das Setup der Kette: eine binäre Setup-Datei, oder den Textbericht bei einem Namen\n"
     "mit der Endung .txt.\n"},
    {"  load [--force] FILE          load a binary setup and send it to the device\n",
     "  load [--force] DATEI         ein binäres Setup laden und an das Gerät senden\n"},
    {"Loads a binary setup file (settings, device and channel names, output words) and sends it to\n"
     "the amplifier. A file saved from another chain (channel count, amplifier types) is refused with\n"
     "the differences named.\n"
     "  --force           load what fits anyway\n",
     "Lädt eine binäre Setup-Datei (Einstellungen, Geräte- und Kanalnamen, Ausgangswörter) und sendet\n"
     "sie an den Verstärker. Eine an einer anderen Kette gespeicherte Datei (Kanalzahl,\n"
     "Verstärkertypen) wird abgewiesen, und die Unterschiede werden genannt.\n"
     "  --force           trotzdem laden, was passt\n"},
    {"  shunt-cal CHANNELS           shunt calibration of the channels' scale factors\n",
     "  shunt-cal KANÄLE             Shunt-Kalibrierung der Skalierungsfaktoren der Kanäle\n"},
    {"Measures the channels with and without their shunt and sets their scale factor so that the\n"
     "shunt step reads 1 (amplifiers with a shunt only). The factor lives in this run's memory: use\n"
     "it in the same command line (shunt-cal 7 + acquire ...).\n",
     "Misst die Kanäle mit und ohne ihren Shunt und setzt ihren Skalierungsfaktor so, dass der\n"
     "Shunt-Sprung 1 ergibt (nur Verstärker mit Shunt). Der Faktor gilt im Speicher dieses Laufs:\n"
     "ihn in derselben Befehlszeile nutzen (shunt-cal 7 + acquire ...).\n"},
    {"  ports                        serial ports (with their by-id names) and USB Corvanes\n",
     "  ports                        serielle Schnittstellen (mit by-id-Namen) und Corvanes an USB\n"},
    {"Lists the serial devices of this computer with their /dev/serial/by-id names and the Corvanes\n"
     "attached by USB (their serial numbers, for --port usb:SERIAL). Opens no port.\n",
     "Listet die seriellen Geräte dieses Rechners mit ihren Namen unter /dev/serial/by-id und die an\n"
     "USB angeschlossenen Corvanes (ihre Seriennummern, für --port usb:SERIENNUMMER). Öffnet keine\n"
     "Schnittstelle.\n"},
    {"usage: corvane [global options] COMMAND [arguments] [+ COMMAND [arguments] ...]\n"
     "       corvane COMMAND --help | --version | --help\n"
     "\n"
     "Global options:\n"
     "  --port PORT      sim (built-in simulator), COM1..COM6, a device path (/dev/ttyUSB0,\n"
     "                   /dev/serial/by-id/...), LPT1, LPT2, tcp:HOST[:PORT], usb:SERIAL,\n"
     "                   offline (no device; settings in memory); default $CORVANE_PORT, else sim;\n"
     "                   repeated for record: several lines record together;\n"
     "                   yalplus:PORT: a YALPLUS rack on PORT (sim, COM1..COM6, a device path,\n"
     "                   tcp:HOST[:PORT]), for record only\n"
     "  --devices N      devices in the chain of the simulator or offline (1..10, default 1)\n"
     "  --baud B         serial baud rate (default 9600); parallel mode for LPT1/LPT2\n"
     "  --timeout MS     time-out of every reply in milliseconds (default 3000)\n"
     "  --log FILE       write the communication log to FILE\n"
     "  --lang en|de     language of the texts and the driver edition: English or German;\n"
     "                   default from LC_ALL, LC_MESSAGES or LANG (de_*: German), else English\n"
     "  --json           machine-readable output: one JSON document per line\n"
     "  --quiet, -q      no confirmations or summaries on standard error\n"
     "  --version        the tool's version\n"
     "\n"
     "Commands (corvane COMMAND --help for each):\n",
     "Aufruf: corvane [globale Optionen] BEFEHL [Argumente] [+ BEFEHL [Argumente] ...]\n"
     "        corvane BEFEHL --help | --version | --help\n"
     "\n"
     "Globale Optionen:\n"
     "  --port PORT      sim (eingebauter Simulator), COM1..COM6, ein Gerätepfad (/dev/ttyUSB0,\n"
     "                   /dev/serial/by-id/...), LPT1, LPT2, tcp:HOST[:PORT], usb:SERIENNUMMER,\n"
     "                   offline (kein Gerät; Einstellungen im Speicher); Vorgabe $CORVANE_PORT,\n"
     "                   sonst sim; wiederholt für record: mehrere Leitungen zeichnen zusammen auf;\n"
     "                   yalplus:PORT: ein YALPLUS-Rack an PORT (sim, COM1..COM6, ein Gerätepfad,\n"
     "                   tcp:HOST[:PORT]), nur für record\n"
     "  --devices N      Geräte in der Kette des Simulators oder offline (1..10, Vorgabe 1)\n"
     "  --baud B         serielle Baudrate (Vorgabe 9600); Parallelmodus für LPT1/LPT2\n"
     "  --timeout MS     Zeitüberschreitung jeder Antwort in Millisekunden (Vorgabe 3000)\n"
     "  --log DATEI      das Kommunikationsprotokoll in DATEI schreiben\n"
     "  --lang en|de     Sprache der Texte und Ausgabe des Treibers: Englisch oder Deutsch;\n"
     "                   Vorgabe aus LC_ALL, LC_MESSAGES oder LANG (de_*: Deutsch), sonst Englisch\n"
     "  --json           maschinenlesbare Ausgabe: ein JSON-Dokument je Zeile\n"
     "  --quiet, -q      keine Bestätigungen oder Zusammenfassungen auf der Standardfehlerausgabe\n"
     "  --version        die Version des Programms\n"
     "\n"
     "Befehle (corvane BEFEHL --help für jeden):\n"},
    {"\n"
     "CHANNELS and LIST are channel numbers from 0, such as 4, 0-7 or 0,2,5-6. Times take units:\n"
     "500ms, 2s, 10min, 1h (a plain number is seconds).\n"
     "Data (tables, values, CSV, JSON) go to standard output; confirmations and summaries to\n"
     "standard error, silenced by -q. A chain of commands is checked whole before anything is sent.\n"
     "Exit status: 0 success, 1 a failure at run time (device, line, file, writing the output),\n"
     "2 a wrong command line, 130 after Ctrl-C (SIGINT), 143 after SIGTERM, 129 after SIGHUP;\n"
     "measured data are kept in every case. A recording (record) ends on these signals as asked:\n"
     "status 0.\n"
     "Machine-readable output is the same in every language: CSV headers and # metadata lines,\n"
     "JSON keys and exit statuses (texts inside JSON, such as \"error\", follow the language).\n",
     "\n"
     "KANÄLE und LISTE sind Kanalnummern ab 0, etwa 4, 0-7 oder 0,2,5-6. Zeiten dürfen Einheiten\n"
     "tragen: 500ms, 2s, 10min, 1h (eine bloße Zahl sind Sekunden).\n"
     "Daten (Tabellen, Messwerte, CSV, JSON) gehen auf die Standardausgabe, Bestätigungen und\n"
     "Zusammenfassungen auf die Standardfehlerausgabe, abzuschalten mit -q. Eine Befehlskette wird\n"
     "als Ganzes geprüft, bevor etwas gesendet wird.\n"
     "Exit-Status: 0 Erfolg, 1 ein Fehler zur Laufzeit (Gerät, Leitung, Datei, Schreiben der\n"
     "Ausgabe), 2 eine falsche Befehlszeile, 130 nach Strg-C (SIGINT), 143 nach SIGTERM, 129 nach\n"
     "SIGHUP; die Messdaten bleiben in jedem Fall erhalten. Eine Aufzeichnung (record) endet auf diese\n"
     "Signale wie gewünscht: Status 0.\n"
     "Die maschinenlesbare Ausgabe ist in jeder Sprache gleich: CSV-Kopfzeilen und #-Metadatenzeilen,\n"
     "JSON-Schlüssel und Exit-Status (Texte in JSON, etwa \"error\", folgen der Sprache).\n"},
    {"usage: corvane [global options] {} ...\n", "Aufruf: corvane [globale Optionen] {} ...\n"},
    {"--rate takes a measuring rate from 1 to 19200 Hz (\"600 Hz\" or 600) on a YALPLUS, not \"{}\".",
     "--rate erwartet an einem YALPLUS eine Abtastrate von 1 bis 19200 Hz (\"600 Hz\" oder 600), nicht \"{}\"."},
    {"A YALPLUS rack ({}) is for record only; {} works on a Corvane.",
     "Ein YALPLUS-Rack ({}) gibt es nur für record; {} arbeitet mit einem Corvane."},
    {"A recording takes its lines from one family: Corvanes or YALPLUS racks, not both.",
     "Eine Aufzeichnung nimmt ihre Leitungen aus einer Familie: Corvanes oder YALPLUS-Racks, nicht beides."},
    {"No YALPLUS answers on {}: {}. Is the rack switched on and the cable connected?",
     "Kein YALPLUS antwortet an {}: {}. Ist das Rack eingeschaltet und das Kabel angeschlossen?"},
    {"Setting up the YALPLUS on {} failed", "Einrichten des YALPLUS an {} fehlgeschlagen"},
    {"The YALPLUS has no rate of {} Hz; recording at {} Hz.",
     "Der YALPLUS hat keine Abtastrate von {} Hz; Aufzeichnung mit {} Hz."},
    {"The YALPLUS on {} does not report its amplifiers (AMT?).",
     "Der YALPLUS an {} meldet seine Verstärker nicht (AMT?)."},
    {"The Corvane on {} does not report its amplifiers (AID?).",
     "Der Corvane an {} meldet seine Verstärker nicht (AID?)."},
    {"Channel {} has no amplifier (an empty slot on {}).",
     "Kanal {} hat keinen Verstärker (ein leerer Steckplatz an {})."},
    {"There is no channel {}: the lines have channels 0 to {}.",
     "Kanal {} gibt es nicht: die Leitungen haben die Kanäle 0 bis {}."},
    {"Setting up the Corvane on {} failed", "Einrichten des Corvane an {} fehlgeschlagen"},
    {"The formula {} was refused", "Die Formel {} wurde abgewiesen"},
    {"No buffer for channel {}", "Kein Puffer für Kanal {}"},
    {"Setting up the channels failed", "Einrichten der Kanäle fehlgeschlagen"},
    {"Starting the recording failed", "Starten der Aufzeichnung fehlgeschlagen"},
    {"\n"
     "The built-in simulator (--port sim) has these slots on every device:\n",
     "\n"
     "Der eingebaute Simulator (--port sim) hat auf jedem Gerät diese Steckplätze:\n"},
    {"  slot {}: {}\n", "  Steckplatz {}: {}\n"},
    {"The built-in YALPLUS rack (--port yalplus:sim) has an amplifier in each of its 16 slots;\n"
     "each slot's gross signal is a ramp in kN of its own slope.\n",
     "Das eingebaute YALPLUS-Rack (--port yalplus:sim) hat in jedem seiner 16 Steckplätze einen\n"
     "Verstärker; das Bruttosignal jedes Steckplatzes ist eine Rampe in kN mit eigener Steigung.\n"},
    {"CORVANE_PORT=\"{}\" is not a port; see corvane --help.",
     "CORVANE_PORT=\"{}\" ist keine Schnittstelle; siehe corvane --help."},
    {"The option {} needs a value.", "Die Option {} braucht einen Wert."},
    {"\"{}\" is not a port; use sim, COM1..COM6, a device path such as /dev/ttyUSB0, LPT1, LPT2, tcp:HOST[:PORT], usb:SERIAL, offline, or yalplus:PORT (PORT being sim, a serial port or tcp:HOST[:PORT]) for a YALPLUS rack.",
     "\"{}\" ist keine Schnittstelle; möglich sind sim, COM1..COM6, ein Gerätepfad wie /dev/ttyUSB0, LPT1, LPT2, tcp:HOST[:PORT], usb:SERIENNUMMER, offline, oder yalplus:PORT (PORT: sim, eine serielle Schnittstelle oder tcp:HOST[:PORT]) für ein YALPLUS-Rack."},
    {"--devices takes 1 to 10, not \"{}\".", "--devices erwartet 1 bis 10, nicht \"{}\"."},
    {"--baud takes a baud rate such as 9600, not \"{}\".", "--baud erwartet eine Baudrate wie 9600, nicht \"{}\"."},
    {"--timeout takes milliseconds (1 to 3600000), not \"{}\".",
     "--timeout erwartet Millisekunden (1 bis 3600000), nicht \"{}\"."},
    {"--lang takes en or de, not \"{}\".", "--lang erwartet en oder de, nicht \"{}\"."},
    {"Unknown option {}; see corvane --help.", "Unbekannte Option {}; siehe corvane --help."},
    {"No command given; see corvane --help.", "Kein Befehl angegeben; siehe corvane --help."},
    {"Unknown command \"{}\"; see corvane --help.", "Unbekannter Befehl \"{}\"; siehe corvane --help."},
    {"Several --port options are for record only; {} works on one line.",
     "Mehrere --port-Optionen gibt es nur für record; {} arbeitet an einer Leitung."},
    {"A command must follow \"+\".", "Auf \"+\" muss ein Befehl folgen."},
    {"Interrupted by {}.", "Durch {} unterbrochen."},
    {"internal error: {}", "interner Fehler: {}"},
    {"no permission to reach {}", "keine Berechtigung für den Zugriff auf {}"},
    {"the device {} does not exist (missing)", "das Gerät {} existiert nicht (fehlt)"},
    {"no permission to open {} (add the user to the dialout group: sudo usermod -aG dialout $USER, then log in again)",
     "keine Berechtigung zum Öffnen von {} (den Benutzer in die Gruppe dialout aufnehmen: sudo usermod -aG dialout $USER, dann neu anmelden)"},
    {"the device {} is in use by another program (busy)",
     "das Gerät {} wird von einem anderen Programm benutzt (belegt)"},
    {"the device {} cannot be opened: {}", "das Gerät {} lässt sich nicht öffnen: {}"},
    {"Cannot open tcp:{}: the host name {} is not known.",
     "tcp:{} lässt sich nicht öffnen: der Rechnername {} ist unbekannt."},
    {"Cannot open {}: {}.", "{} lässt sich nicht öffnen: {}."},
    {"Cannot open {}: no Corvane with serial number {} is attached ({}).",
     "{} lässt sich nicht öffnen: kein Corvane mit der Seriennummer {} ist angeschlossen ({})."},
    {"no USB Corvane found", "kein Corvane an USB gefunden"},
    {"found: {}", "gefunden: {}"},
    {"The communication log {} cannot be opened for writing.",
     "Das Kommunikationsprotokoll {} lässt sich nicht zum Schreiben öffnen."},
    {"Opening the device offline failed", "Öffnen des Geräts im Offline-Betrieb fehlgeschlagen"},
    {"An acquisition left running by an earlier program was stopped.\n",
     "Eine Messung, die ein früheres Programm laufen ließ, wurde angehalten.\n"},
    {"No Corvane answers on {}: {}. Is the Corvane switched on and the cable connected?",
     "Kein Corvane antwortet an {}: {}. Ist der Corvane eingeschaltet und das Kabel angeschlossen?"},
    {"Opening the Corvane on {} failed", "Öffnen des Corvane an {} fehlgeschlagen"},
    {"Loading the device settings failed", "Laden der Geräteeinstellungen fehlgeschlagen"},
    {"The built-in simulator cannot start: {}.", "Der eingebaute Simulator lässt sich nicht starten: {}."},
    {"no connection to {} ({})", "keine Verbindung zu {} ({})"},
    {"no Corvane with serial number {} is attached ({})",
     "kein Corvane mit der Seriennummer {} ist angeschlossen ({})"},
    {"Too many serial and simulated lines: at most {} can be open.",
     "Zu viele serielle und simulierte Leitungen: höchstens {} können offen sein."},
    {"The line {} is named twice.", "Die Leitung {} ist zweimal angegeben."},
    {"Only the first --port may be {}; further lines are sim, serial, tcp or usb ports.",
     "Nur das erste --port darf {} sein; weitere Leitungen sind sim-, serielle, tcp- oder usb-Schnittstellen."},
    {"none", "keine"},
    {"bad argument", "ungültiges Argument"},
    {"a device refused the status query", "ein Gerät hat die Statusabfrage abgewiesen"},
    {"block not complete yet", "Block noch nicht vollständig"},
    {"the measuring rate could not be sent", "die Abtastrate ließ sich nicht senden"},
    {"the device cannot trigger on that channel", "das Gerät kann auf diesem Kanal nicht triggern"},
    {"an acquisition is already running", "eine Messung läuft bereits"},
    {"a trigger needs a block length", "ein Trigger braucht eine Blocklänge"},
    {"no acquisition is running", "keine Messung läuft"},
    {"bad linearisation table", "fehlerhafte Linearisierungstabelle"},
    {"block too large for the receive area or a channel buffer",
     "Block zu groß für den Empfangsbereich oder einen Kanalpuffer"},
    {"channel not available (empty slot or refused)", "Kanal nicht verfügbar (leerer Steckplatz oder abgewiesen)"},
    {"unknown sensor type", "unbekannter Aufnehmertyp"},
    {"value outside the linearisation table", "Wert außerhalb der Linearisierungstabelle"},
    {"formula text missing or too long", "Formeltext fehlt oder ist zu lang"},
    {"trigger busy", "Trigger belegt"},
    {"trigger condition refused", "Triggerbedingung abgewiesen"},
    {"device family not supported", "Gerätefamilie nicht unterstützt"},
    {"formula error (a channel it uses is not available)", "Formelfehler (ein verwendeter Kanal ist nicht verfügbar)"},
    {"no memory for a channel work area", "kein Speicher für den Arbeitsbereich eines Kanals"},
    {"derived channel without its work area or with bad parameters",
     "abgeleiteter Kanal ohne Arbeitsbereich oder mit fehlerhaften Parametern"},
    {"spectrum block length is not a power of two from 4 to 8192",
     "die Blocklänge des Spektrums ist keine Zweierpotenz von 4 bis 8192"},
    {"no memory for a derived channel", "kein Speicher für einen abgeleiteten Kanal"},
    {"command not supported by the device family", "Befehl von der Gerätefamilie nicht unterstützt"},
    {"the device refused the command", "das Gerät hat den Befehl abgewiesen"},
    {"no memory for the online channel list", "kein Speicher für die Online-Kanalliste"},
    {"the online file could not be created", "die Online-Datei ließ sich nicht anlegen"},
    {"writing the online file failed", "Schreiben der Online-Datei fehlgeschlagen"},
    {"measured value overflow", "Messwertüberlauf"},
    {"more than 500 pre-trigger scans", "mehr als 500 Vortrigger-Scans"},
    {"the device's measured-value memory ran full (values were lost)",
     "der Messwertspeicher des Geräts lief voll (Werte gingen verloren)"},
    {"no memory for a channel buffer", "kein Speicher für einen Kanalpuffer"},
    {"values do not fit the channel buffer", "die Werte passen nicht in den Kanalpuffer"},
    {"channel buffer not allocated", "Kanalpuffer nicht angelegt"},
    {"no value at that index", "kein Wert an diesem Index"},
    {"channel number outside 1 to 10000", "Kanalnummer außerhalb von 1 bis 10000"},
    {"reserved device type", "reservierter Gerätetyp"},
    {"the amplifier reported error {} {}", "der Verstärker meldete Fehler {} {}"},
    {"the amplifier reported error {}", "der Verstärker meldete Fehler {}"},
    {"counts", "Rohwert"},
    {"trigger", "Trigger"},
    {"time [s]", "Zeit [s]"},
};
const size_t kGermanMessageCount = sizeof kGermanMessages / sizeof kGermanMessages[0];

}  // namespace corvane_cli
