// "Open" end to end on the real main dialog (offscreen): a large saved
// message chosen in Open's file dialog until its route is listed, against
// putting the same text into a bare QPlainTextEdit. Each measure runs in a
// fresh process of this program, so that its peak memory is its own.
//
//   open_bench [benchmark options]       measures
//   open_bench --child open|edit|dialog [file]
//                                        one measure; prints its seconds
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/trace_dlg.h"
#include "bench/support/bench_inputs.h"
#include "res/resource.h"

namespace {

// ---- The measures, each in a child process ------------------------------------

// This process's peak memory in bytes. The kernel's own count for the child
// (getrusage) would also hold what the parent had when it forked.
double PeakBytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').first().toDouble() * 1024;  // in kB
        }
    }
    return 0;
}

// Prints the seconds measured and the peak memory, and leaves at once:
// tearing down a window that holds a large text is not part of the measure.
[[noreturn]] void Report(double seconds, int routes) {
    std::printf("%.9f %d %.0f\n", seconds, routes, PeakBytes());
    std::fflush(stdout);
    std::_Exit(0);
}

// The main dialog, created and shown as the program runs it. Open's file
// dialog is answered with `path`; the clock starts as it is answered.
[[noreturn]] void MeasureOpen(const QString& path) {
    CTraceDlg dlg;
    dlg.Create();
    dlg.show();
    QApplication::processEvents();
    QElapsedTimer clock;
    QTimer answer;
    answer.setInterval(5);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* files = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (files == nullptr || !files->isVisible()) return;
        answer.stop();
        auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (name == nullptr) std::_Exit(2);
        name->setText(path);
        clock.start();
        QMetaObject::invokeMethod(files, "accept", Qt::DirectConnection);
    });
    answer.start();
    qobject_cast<QPushButton*>(dlg.GetDlgItem(IDC_OPEN))->click();
    QApplication::processEvents();
    const double seconds = static_cast<double>(clock.nsecsElapsed()) * 1e-9;
    Report(seconds, qobject_cast<QComboBox*>(dlg.GetDlgItem(IDC_ROUTE))->count());
}

// A bare edit box given the file's text.
[[noreturn]] void MeasureEdit(const QString& path) {
    QPlainTextEdit edit;
    edit.resize(600, 400);
    edit.show();
    QApplication::processEvents();
    QElapsedTimer clock;
    clock.start();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) std::_Exit(2);
    edit.setPlainText(QString::fromLatin1(file.readAll()));
    QApplication::processEvents();
    Report(static_cast<double>(clock.nsecsElapsed()) * 1e-9, 0);
}

// The main dialog with no message: the memory every measure starts from.
[[noreturn]] void MeasureDialog() {
    CTraceDlg dlg;
    dlg.Create();
    dlg.show();
    QApplication::processEvents();
    Report(0, 0);
}

int RunChild(const std::string& what, const QString& path) {
    if (what == "open") MeasureOpen(path);
    if (what == "edit") MeasureEdit(path);
    if (what == "dialog") MeasureDialog();
    return 2;
}

// ---- The parent: one child per measure ------------------------------------------

std::string g_self;

struct ChildMeasure {
    double seconds = 0;
    int routes = 0;
    double peakBytes = 0;
    bool ok = false;
};

ChildMeasure RunMeasure(const std::string& what, const std::string& path) {
    ChildMeasure m;
    int out[2];
    if (::pipe(out) != 0) return m;
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        ::close(out[1]);
        ::execl(g_self.c_str(), g_self.c_str(), "--child", what.c_str(), path.c_str(),
                static_cast<char*>(nullptr));
        std::_Exit(127);
    }
    ::close(out[1]);
    std::string text;
    char buffer[256];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(out[0]);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        return m;
    }
    m.ok = std::sscanf(text.c_str(), "%lf %d %lf", &m.seconds, &m.routes, &m.peakBytes) == 3 &&
           m.peakBytes > 0;
    return m;
}

double BareDialogPeak() {
    static const double peak = RunMeasure("dialog", "").peakBytes;
    return peak;
}

void Measure(benchmark::State& state, std::size_t bytes, const std::string& what) {
    benchinput::TempFolder folder;
    const std::string path = (folder.path() / "message.eml").string();
    benchinput::WriteWholeFile(path, benchinput::MailMessage(bytes));
    double peak = 0;
    for (auto _ : state) {
        const ChildMeasure m = RunMeasure(what, path);
        if (!m.ok || (what == "open" && m.routes == 0)) {
            state.SkipWithError("the measuring process failed");
            break;
        }
        state.SetIterationTime(m.seconds);
        peak = std::max(peak, m.peakBytes);
    }
    state.counters["peak_bytes"] = peak;
    state.counters["baseline_bytes"] = BareDialogPeak();
    state.SetBytesProcessed(state.iterations() *
                            static_cast<int64_t>(benchinput::MailMessage(bytes).size()));
}

void Register() {
    for (const int mib : {16, 128}) {
        const std::size_t bytes = static_cast<std::size_t>(mib) * benchinput::kMiB;
        for (const char* kind : {"routine", "floor"}) {
            const std::string what = std::string(kind) == "routine" ? "open" : "edit";
            benchmark::RegisterBenchmark(
                benchinput::RowName("Open", mib, kind).c_str(),
                [bytes, what](benchmark::State& state) { Measure(state, bytes, what); })
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond)
                ->Iterations(mib < 100 ? 3 : 2);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::string(argv[1]) == "--child") {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        int qtArgc = 1;
        QApplication app(qtArgc, argv);
        return RunChild(argv[2], argc >= 4 ? QString::fromLocal8Bit(argv[3]) : QString());
    }
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    g_self = n > 0 ? std::string(self, static_cast<std::size_t>(n)) : std::string(argv[0]);
    Register();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
