// Prints the benchmark table from Google Benchmark JSON reports.
//
//   bench_table report.json...
//
// Benchmarks named "<row>/<size>MiB/routine" and "<row>/<size>MiB/floor" make
// one line of the table each; others are left out. A routine may report
// counters "peak_bytes" and "baseline_bytes" (its peak memory and that of the
// program without the input), and its floor "peak_bytes".
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

struct Measure {
    double seconds = 0;  // real time of one iteration
    double bytes = 0;    // input bytes of one iteration
    double peak = 0;
    double baseline = 0;
    bool present = false;
};

struct Line {
    Measure routine, floor;
};

double Seconds(const QJsonObject& b) {
    const QString unit = b.value("time_unit").toString();
    const double t = b.value("real_time").toDouble();
    if (unit == "ns") return t * 1e-9;
    if (unit == "us") return t * 1e-6;
    if (unit == "ms") return t * 1e-3;
    return t;
}

// The least a routine must reach, as its throughput over the floor's.
double Goal(const std::string& row) {
    if (row.rfind("Download", 0) == 0) return 0.8;
    if (row.rfind("Open", 0) == 0) return 1 / 1.5;
    return 0.25;
}

std::string Time(double s) {
    char out[32];
    if (s < 1) {
        std::snprintf(out, sizeof out, "%.2f ms", s * 1e3);
    } else {
        std::snprintf(out, sizeof out, "%.2f s", s);
    }
    return out;
}

std::string Rate(double bytes, double s) {
    char out[32];
    std::snprintf(out, sizeof out, "%.0f MiB/s", bytes / (1 << 20) / s);
    return out;
}

std::string Number(const char* format, double value) {
    char out[32];
    std::snprintf(out, sizeof out, format, value);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    // Rows in the order they first appear, sizes ascending.
    std::vector<std::string> rows;
    std::map<std::string, std::map<int, Line>> lines;
    const QRegularExpression name("^(.+)/([0-9]+)MiB/(routine|floor)(/.*)?$");
    for (int i = 1; i < argc; ++i) {
        QFile file(QString::fromLocal8Bit(argv[i]));
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "bench_table: cannot read %s\n", argv[i]);
            return 1;
        }
        const QJsonArray benchmarks =
            QJsonDocument::fromJson(file.readAll()).object().value("benchmarks").toArray();
        for (const QJsonValue& value : benchmarks) {
            const QJsonObject b = value.toObject();
            if (b.value("run_type").toString() == "aggregate") continue;
            const QRegularExpressionMatch m = name.match(b.value("name").toString());
            if (!m.hasMatch() || b.value("error_occurred").toBool()) continue;
            const std::string row = m.captured(1).toStdString();
            if (lines.find(row) == lines.end()) rows.push_back(row);
            Line& line = lines[row][m.captured(2).toInt()];
            Measure& measure = m.captured(3) == "routine" ? line.routine : line.floor;
            measure.seconds = Seconds(b);
            measure.bytes = b.value("bytes_per_second").toDouble() * measure.seconds;
            measure.peak = b.value("peak_bytes").toDouble();
            measure.baseline = b.value("baseline_bytes").toDouble();
            measure.present = true;
        }
    }

    std::printf(
        "| Row | Size | Time | Throughput | Floor | Ratio to floor (goal) | 128/16 MiB time "
        "| Peak memory (limit) |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|\n");
    bool allMet = true;
    for (const std::string& row : rows) {
        const auto& sizes = lines[row];
        for (const auto& [mib, line] : sizes) {
            if (!line.routine.present || !line.floor.present) continue;
            const double ratio = line.floor.seconds / line.routine.seconds;
            const bool met = ratio >= Goal(row);
            std::string scaling = "";
            if (mib == 128 && sizes.count(16) && sizes.at(16).routine.present) {
                const double r = line.routine.seconds / sizes.at(16).routine.seconds;
                const double f = line.floor.seconds / sizes.at(16).floor.seconds;
                scaling = Number("%.1f", r) + (r < 10 ? "" : " over") + Number(" (floor %.1f)", f);
                allMet = allMet && r < 10;
            }
            std::string memory = "";
            if (line.routine.peak > 0) {
                const double limit = (8.0 * line.routine.bytes + line.routine.baseline) / (1 << 20);
                const double peak = line.routine.peak / (1 << 20);
                memory = Number("%.1f MiB", peak) + " (" + Number("%.1f MiB", limit) + ")";
                if (line.floor.peak > 0)
                    memory += Number(", edit box %.0f MiB", line.floor.peak / (1 << 20));
                if (peak >= limit) memory += " over";
                allMet = allMet && peak < limit;
            }
            allMet = allMet && met;
            std::printf("| %s | %d MiB | %s | %s | %s | %.2f (%s)%s | %s | %s |\n", row.c_str(),
                        mib, Time(line.routine.seconds).c_str(),
                        Rate(line.routine.bytes, line.routine.seconds).c_str(),
                        Rate(line.floor.bytes, line.floor.seconds).c_str(), ratio,
                        Number("%.2f", Goal(row)).c_str(), met ? "" : " short", scaling.c_str(),
                        memory.c_str());
        }
    }
    std::printf("\n%s\n", allMet ? "Every row meets its goal." : "Some rows fall short (marked).");
    return 0;
}
