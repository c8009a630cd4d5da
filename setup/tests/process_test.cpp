// The program as a user starts it: from the hand-off file another program left, one instance per
// program folder, SIGTERM closing it the way Quit does (shunt off, last-state file written, port
// closed, lock released), and the define-instrument dialog when there is no usable hand-off file.
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>
#include <csignal>

#include "corvane_sim/engine.h"
#include "corvane_sim/server.h"
#include "program.h"
#include "testkit/pty_pair.h"
#include "testkit/temp_dir.h"

namespace sim = corvane_sim;

namespace {

constexpr int kWaitMs = 30000;
constexpr int kShuntChannel = 7;

QProcessEnvironment program_environment(const std::string& folder, const std::string& com1) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("CORVANE_SETUP_DIR", QString::fromStdString(folder));
  env.insert("CORVANE_SETUP_MESSAGES", "stderr");
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("LINKAR32_COM1", QString::fromStdString(com1));
  env.insert("LANG", "C.UTF-8");
  return env;
}

// The hand-off file of an instrument on COM1 at 9600 Baud, as another program leaves it.
void hand_off_com1(const testkit::TempDir& dir, const std::string& name = "Rig_1") {
  setup::InstrumentDefinition d;
  d.name = name;
  d.port = setup::kPortCom1;
  testkit::write_file(dir.file(setup::kHandOffFileName), setup::hand_off_bytes(d));
}

// True once the running program has asked the device for a reading (its timer runs).
bool measuring(const sim::Engine& engine) {
  for (const std::string& line : engine.lines()) {
    if (line == "OMB?0") return true;
  }
  return false;
}

}  // namespace

class ProcessTest : public QObject {
  Q_OBJECT

 private slots:
  void secondInstanceRefusedAndSigtermClosesLikeQuit() {
    sim::EngineConfig config;
    config.channel_types[kShuntChannel] = 5058;
    sim::Engine engine(config);
    sim::ChannelSettings shunted = engine.channel(kShuntChannel);
    shunted.signal_selector = 43;  // the shunt is on when the program starts
    engine.set_channel(kShuntChannel, shunted);
    sim::PtyServer server(engine);
    const std::string pty = server.start();
    testkit::TempDir dir;
    hand_off_com1(dir);

    QProcess first;
    first.setProcessEnvironment(program_environment(dir.path(), pty));
    first.start(CORVANE_SETUP_PROGRAM, QStringList());
    QVERIFY(first.waitForStarted(kWaitMs));
    QTRY_VERIFY_WITH_TIMEOUT(measuring(engine), kWaitMs);

    {
      setup::InstanceLock lock(dir.path());
      QVERIFY(!lock.held());
    }
    QProcess second;
    second.setProcessEnvironment(program_environment(dir.path(), pty));
    second.start(CORVANE_SETUP_PROGRAM, QStringList{"--lang", "de"});
    QVERIFY(second.waitForFinished(kWaitMs));
    QCOMPARE(second.exitCode(), 1);
    // The German edition tells it in German.
    QVERIFY(QString::fromUtf8(second.readAllStandardError())
                .contains(QString::fromUtf8("Sie k\u00f6nnen dieses Programm nicht starten, weil es bereits l\u00e4uft.")));
    QCOMPARE(engine.channel(kShuntChannel).signal_selector, 43);  // the second one sent nothing

    ::kill(static_cast<pid_t>(first.processId()), SIGTERM);
    QVERIFY(first.waitForFinished(kWaitMs));
    QCOMPARE(first.exitStatus(), QProcess::NormalExit);
    QCOMPARE(first.exitCode(), 0);
    QCOMPARE(engine.channel(kShuntChannel).signal_selector, 42);
    const std::string last_state = testkit::read_file(dir.file("Corvane.$$$"));
    QCOMPARE(last_state.size(), size_t(91 + 10 * 72));
    // The hand-off file's instrument name became the device name (device block offset 50).
    QCOMPARE(std::string(last_state.c_str() + 27 + 50), std::string("Rig_1"));
    const QByteArray errors = first.readAllStandardError();
    QVERIFY2(!errors.contains("corvane-setup:"), errors.constData());
    // The lock went with the process.
    setup::InstanceLock lock(dir.path());
    QVERIFY(lock.held());
  }

  void damagedHandOffFileIsToldAndTheDialogAsks() {
    sim::Engine engine;
    sim::PtyServer server(engine);
    const std::string pty = server.start();
    testkit::TempDir dir;
    // An offline definition whose USB address runs past the end of the file.
    std::string bytes(2, '\0');
    bytes += std::string("\x05\x00", 2) + "Bench";
    bytes += std::string(2, '\0') + std::string("\xff\xff", 2);
    testkit::write_file(dir.file("INP_SWP.$$$"), bytes);
    QProcess program;
    program.setProcessEnvironment(program_environment(dir.path(), pty));
    program.start(CORVANE_SETUP_PROGRAM, QStringList());
    QVERIFY(program.waitForStarted(kWaitMs));
    // The damage is told, then the define-instrument dialog waits for the user; SIGTERM cancels
    // it and nothing has reached the device.
    QByteArray errors;
    QTRY_VERIFY_WITH_TIMEOUT((errors += program.readAllStandardError()).contains("The hand-off file"), kWaitMs);
    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    QVERIFY(program.waitForFinished(kWaitMs));
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(engine.line_count(), size_t(0));
  }

  void commandLineSetupIsSentAndTheProgramEnds() {
    sim::Engine engine;
    sim::PtyServer server(engine);
    const std::string pty = server.start();
    testkit::TempDir dir;
    hand_off_com1(dir);
    // A first run (COM1 from the hand-off file) leaves the chain's setup in the last-state file
    // when Ctrl-C ends it.
    QProcess first;
    QProcessEnvironment env = program_environment(dir.path(), pty);
    first.setProcessEnvironment(env);
    first.start(CORVANE_SETUP_PROGRAM, QStringList());
    QVERIFY(first.waitForStarted(kWaitMs));
    QTRY_VERIFY_WITH_TIMEOUT(measuring(engine), kWaitMs);
    ::kill(static_cast<pid_t>(first.processId()), SIGINT);
    QVERIFY(first.waitForFinished(kWaitMs));
    QCOMPARE(first.exitCode(), 0);
    const std::string setup_file = dir.file("Corvane.$$$");
    QVERIFY(testkit::read_file(setup_file).size() > 91);

    // The device changes; the command line sends the saved setup back and the program ends.
    engine.process("ASA4,350,703");
    QCOMPARE(engine.channel(4).range, 703);
    QProcess batch;
    batch.setProcessEnvironment(env);
    batch.start(CORVANE_SETUP_PROGRAM, QStringList{QString::fromStdString(setup_file)});
    QVERIFY(batch.waitForFinished(kWaitMs));
    const QByteArray errors = batch.readAllStandardError();
    QVERIFY2(batch.exitCode() == 0, errors.constData());
    QCOMPARE(engine.channel(4).range, 700);
  }
};

QTEST_GUILESS_MAIN(ProcessTest)
#include "process_test.moc"
