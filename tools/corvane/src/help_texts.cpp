// Help texts, kept beside each other so that the overview and the command pages agree.
#include "help_texts.h"

#include "messages.h"

namespace corvane_cli {

const CommandHelp kCommandHelp[] = {
    {"info", N_("  info                         identity of driver, line and every device of the chain\n"),
     N_("Shows the driver and interface library versions, the line, the channel count, the measuring\n"
     "rate and filter, and the serial number and program version of every device of the chain.\n")},
    {"show", N_("  show [--channels LIST]       all channels as a table with a live value\n"),
     N_("One line per channel: name, transducer, range, filter, tare state and value, shunt, scale\n"
     "factor and a value measured now.\n"
     "  --channels LIST   only these channels\n")},
    {"set", N_("  set CHANNELS SETTING VALUE   amplifier, name, state, transducer, range, filter, tare,\n"
     "                               digital, shunt; e.g. set 4 range \"125 mV/V\"\n"),
     N_("Sets one setting of the channels and sends it to the amplifier. VALUE is an index string\n"
     "(\"125 mV/V\", \"full bridge\") or its id; every channel is checked first, so a value one of them\n"
     "cannot take changes none. Names take Latin-1 characters only (up to 19); they stay in memory\n"
     "and setup files. Settings: amplifier (offline, slots 4 to 7), name, state, transducer, range,\n"
     "filter, tare, digital (output word 0..65535), shunt (on/off).\n")},
    {"set-device", N_("  set-device SETTING VALUE     rate, filter-type, filter-frequency, channels, name\n"),
     N_("Sets a device setting and sends it to the amplifier, where it stays: rate (\"600 Hz\" or 600),\n"
     "filter-type, filter-frequency, channels (offline only), name (up to 9 characters).\n")},
    {"tare", N_("  tare [CHANNELS]              tare the channels (default: those in tare state)\n"),
     N_("Tares the channels (switching them to tare state) or every channel in tare state, and sends\n"
     "the tare values to the amplifier.\n")},
    {"read", N_("  read [--count N] [--interval T] [--channels LIST] [--csv [--output FILE]]\n"
     "                               single values; live on a terminal; --csv logs rows\n"),
     N_("Takes single readings of the measuring channels.\n"
     "  --count N         readings (0: until Ctrl-C; default 1, on a terminal and with --csv 0)\n"
     "  --interval T      time between readings (default 200ms)\n"
     "  --channels LIST   measure exactly these channels (the others stop measuring; said)\n"
     "  --csv             logger: one CSV row per reading: ISO 8601 time (UTC), seconds since the\n"
     "                    first reading, one column per channel; # metadata lines first\n"
     "  --output FILE     the CSV into FILE (\"-\": standard output, the default)\n")},
    {"acquire", N_("  acquire [--rate R] [--scans N | --duration T] [--channels LIST] [--trigger MODE ...]\n"
     "          [--pretrigger N] [--wait T] [--output FILE.csv] [--plot FILE.svg] [--meta FILE]\n"
     "                               block acquisition into CSV, chart and statistics\n"),
     N_("Measures at the measuring rate and writes one CSV row per scan: the time in seconds (0 at the\n"
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
     "the chart skip them and count them per kind; JSON gives null.\n")},
    {"record",
     N_("  record --channels LIST --rate R [--duration T] [--formula NAME=TEXT ...] [--db FILE]\n"
     "         [--online FILE]\n"
     "                               recording on the acquisition kernel into a channel database\n"),
     N_("Records the channels at the rate on the acquisition kernel, which reads every block, scales it,\n"
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
     "  --force             replace an existing database or online file (otherwise refused)\n")},
    {"db",
     N_("  db FILE [export [CHANNELS] [--output F.csv] | plot CHANNELS --output F.svg]\n"
     "                               list, export or plot a channel database\n"),
     N_("Without more: one line per channel of the database: number, name, unit, count, minimum,\n"
     "maximum, rate, start time and last write (ISO 8601, UTC).\n"
     "  export [CHANNELS]   CSV: a time column (when the channels share a rate), then one column per\n"
     "                      channel headed \"name [unit]\"; every channel when none is named\n"
     "  plot CHANNELS       an SVG chart (min/max per pixel)\n"
     "  --output FILE       where to (export: \"-\" or none is standard output)\n"
     "CHANNELS are database channel numbers from 1 (1, 2-4) or channel names, separated by commas.\n")},
    {"save", N_("  save FILE                    save the setup: FILE.txt as text report, else binary\n"),
     N_("Writes the setup of the chain: a binary setup file, or the text report for a name ending in\n"
     ".txt.\n")},
    {"load", N_("  load [--force] FILE          load a binary setup and send it to the device\n"),
     N_("Loads a binary setup file (settings, device and channel names, output words) and sends it to\n"
     "the amplifier. A file saved from another chain (channel count, amplifier types) is refused with\n"
     "the differences named.\n"
     "  --force           load what fits anyway\n")},
    {"shunt-cal", N_("  shunt-cal CHANNELS           shunt calibration of the channels' scale factors\n"),
     N_("Measures the channels with and without their shunt and sets their scale factor so that the\n"
     "shunt step reads 1 (amplifiers with a shunt only). The factor lives in this run's memory: use\n"
     "it in the same command line (shunt-cal 7 + acquire ...).\n")},
    {"ports", N_("  ports                        serial ports (with their by-id names) and USB Corvanes\n"),
     N_("Lists the serial devices of this computer with their /dev/serial/by-id names and the Corvanes\n"
     "attached by USB (their serial numbers, for --port usb:SERIAL). Opens no port.\n")},
};
const size_t kCommandHelpCount = sizeof kCommandHelp / sizeof kCommandHelp[0];

std::string overview_help() {
  std::string out = tr(
      "usage: corvane [global options] COMMAND [arguments] [+ COMMAND [arguments] ...]\n"
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
      "Commands (corvane COMMAND --help for each):\n");
  for (size_t i = 0; i < kCommandHelpCount; ++i) out += tr(kCommandHelp[i].synopsis);
  out += tr(
      "\n"
      "CHANNELS and LIST are channel numbers from 0, such as 4, 0-7 or 0,2,5-6. Times take units:\n"
      "500ms, 2s, 10min, 1h (a plain number is seconds).\n"
      "Data (tables, values, CSV, JSON) go to standard output; confirmations and summaries to\n"
      "standard error, silenced by -q. A chain of commands is checked whole before anything is sent.\n"
      "Exit status: 0 success, 1 a failure at run time (device, line, file, writing the output),\n"
      "2 a wrong command line, 130 after Ctrl-C (SIGINT), 143 after SIGTERM, 129 after SIGHUP;\n"
      "measured data are kept in every case. A recording (record) ends on these signals as asked:\n"
      "status 0.\n"
      "Machine-readable output is the same in every language: CSV headers and # metadata lines,\n"
      "JSON keys and exit statuses (texts inside JSON, such as \"error\", follow the language).\n");
  return out;
}

std::string command_help(const std::string& name) {
  for (size_t i = 0; i < kCommandHelpCount; ++i) {
    if (name == kCommandHelp[i].name) {
      return tr("usage: corvane [global options] {} ...\n", kCommandHelp[i].name) + tr(kCommandHelp[i].synopsis) +
             "\n" + tr(kCommandHelp[i].page);
    }
  }
  return {};
}

}  // namespace corvane_cli
