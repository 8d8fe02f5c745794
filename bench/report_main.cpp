// tarvo_bench_report RESULTS.json [KVSDUMP.txt]: the tables of
// docs/performance.md from one run of tarvo_bench (run with repetitions, so
// that the JSON holds the median and the largest of each figure).
// KVSDUMP.txt, when given, holds "name max_rss_kib" lines of the kvsdump
// program itself, measured by /usr/bin/time.

#include <cstdio>
#include <exception>
#include <fstream>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace {

using nlohmann::json;

constexpr double MiB = 1024.0 * 1024.0;

class Results {
 public:
  explicit Results(const json& document) {
    for (const json& entry : document.at("benchmarks")) {
      const std::string run = entry.at("run_name").get<std::string>();
      if (entry.value("run_type", "") == "aggregate") {
        byRun_[run + "#" + entry.at("aggregate_name").get<std::string>()] = entry;
      } else {
        // A benchmark run once has no aggregates: its one run is both.
        byRun_.emplace(run + "#median", entry);
        byRun_.emplace(run + "#max", entry);
      }
    }
    context_ = document.at("context");
  }

  // The aggregate of the run whose name begins with `prefix` + "/" (the
  // suffixes "/iterations:1" and "/real_time" are left out of the prefix).
  const json& Get(std::string_view prefix, std::string_view aggregate = "median") const {
    for (const auto& [key, entry] : byRun_) {
      const std::string run = entry.at("run_name").get<std::string>();
      if (run.rfind(std::string(prefix) + "/", 0) == 0 && key.substr(key.find('#') + 1) == aggregate) return entry;
    }
    throw std::runtime_error("no result for " + std::string(prefix) + " (" + std::string(aggregate) + ")");
  }
  bool Has(std::string_view prefix) const {
    try {
      Get(prefix);
      return true;
    } catch (const std::exception&) {
      return false;
    }
  }
  double Ms(std::string_view prefix, std::string_view aggregate = "median") const {
    const json& entry = Get(prefix, aggregate);
    const double time = entry.at("real_time").get<double>();
    const std::string unit = entry.at("time_unit").get<std::string>();
    if (unit == "ms") return time;
    if (unit == "us") return time / 1e3;
    if (unit == "ns") return time / 1e6;
    return time * 1e3;
  }
  double Counter(std::string_view prefix, const char* counter, std::string_view aggregate = "median") const {
    return Get(prefix, aggregate).at(counter).get<double>();
  }
  const json& Context() const { return context_; }

 private:
  std::map<std::string, json> byRun_;
  json context_;
};

std::string Fixed(double value, int digits) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", digits, value);
  return text;
}

std::string Verdict(bool met) { return met ? "met" : "**not met**"; }

void Row(std::ostream& out, std::initializer_list<std::string> cells) {
  out << '|';
  for (const std::string& cell : cells) out << ' ' << cell << " |";
  out << '\n';
}

void Targets(std::ostream& out, const Results& r, const std::map<std::string, double>& kvsdump) {
  const double reference = r.Ms("ReadMemchr/big-data");
  const double load = r.Ms("Load/big-data");
  const double fileMiB = r.Counter("Load/big-data", "file_MiB");
  const double baseline = r.Ms("ByteByByteBaseline/big-data/whole");
  const double baselinePrefix = r.Ms("ByteByByteBaseline/big-data/64MiB");
  const double scale = r.Counter("ByteByByteBaseline/big-data/64MiB", "scale");
  const double turnNs = r.Ms("PendingEventsTurn") * 1e6;
  const double fileBytes = r.Counter("Memory/big-data/load", "file_bytes_MiB") * MiB;
  // The naive search takes one turn per byte it advances.
  const double baselineWithTurns = baseline + fileBytes * turnNs / 1e6;
  const double peakBig = r.Counter("Memory/big-data/load", "peak_load_MiB", "max");
  const double peakBigLimit = 1.1 * fileMiB + 64;
  const double manyEvents = r.Ms("LoadAndAllPages/many-events");

  const json& events = r.Get("Memory/many-events/load", "max");
  const double eventCount = events.at("song_events").get<double>() + events.at("pattern_events").get<double>();
  const double beyondFile = (events.at("peak_load_MiB").get<double>() - events.at("peak_start_MiB").get<double>() -
                             events.at("file_bytes_MiB").get<double>()) *
                            MiB;
  const double perEvent = beyondFile / eventCount;
  const double songRows = r.Counter("Memory/many-events/pages", "song_event_rows", "max");

  double longestGap = 0;
  std::string gapWhere;
  for (const char* scenario : {"big-data", "many-events", "many-modules"}) {
    const double gap = r.Counter(std::string("Load/") + scenario, "longest_gap_ms", "max");
    if (gap > longestGap) longestGap = gap, gapWhere = scenario;
  }

  out << "| Figure | Measured | Target | |\n|---|---|---|---|\n";
  Row(out, {"big-data: read into memory + one memchr pass (the practical limit)",
            Fixed(reference, 0) + " ms (" + Fixed(fileMiB / reference * 1e3, 0) + " MiB/s; read " +
                Fixed(r.Counter("ReadMemchr/big-data", "read_ms"), 0) + " ms, memchr " +
                Fixed(r.Counter("ReadMemchr/big-data", "scan_ms"), 0) + " ms, the rest giving the memory back)",
            "reference", ""});
  Row(out, {"big-data: load",
            Fixed(load, 0) + " ms (" + Fixed(fileMiB / load * 1e3, 0) + " MiB/s), " + Fixed(load / reference, 2) +
                " × the reference",
            "≤ 1.5 × the reference", Verdict(load <= 1.5 * reference)});
  Row(out, {"big-data: naive byte-by-byte load, no-op pending-events call at every byte",
            Fixed(baseline / 1e3, 2) + " s; the load is " + Fixed(baseline / load, 1) + " × faster",
            "load ≥ 20 × faster", Verdict(baseline >= 20 * load)});
  Row(out, {"big-data: the same over the first 64 MiB, × " + Fixed(scale, 1) + " (how it scales)",
            Fixed(baselinePrefix * scale / 1e3, 2) + " s (" + Fixed(baselinePrefix * scale / baseline, 2) +
                " × the whole file's)",
            "(check)", ""});
  const double searchBaseline = r.Counter("ByteByByteBaseline/big-data/whole", "scan_ms");
  const double searchMemchr = r.Counter("ReadMemchr/big-data", "scan_ms");
  Row(out, {"big-data: the search alone, byte by byte / one memchr pass (the read left out of both)",
            Fixed(searchBaseline / 1e3, 2) + " s / " + Fixed(searchMemchr, 0) +
                " ms: " + Fixed(searchBaseline / searchMemchr, 0) + " ×",
            "(for comparison)", ""});
  Row(out,
      {"big-data: the byte-by-byte load with one real pending-events turn per byte (" + Fixed(turnNs, 0) +
           " ns a turn, offscreen)",
       Fixed(baselineWithTurns / 60e3, 1) + " min; the load is " + Fixed(baselineWithTurns / load, 0) + " × faster",
       "(for comparison)", ""});
  Row(out, {"big-data: peak memory of the load", Fixed(peakBig, 0) + " MiB (file " + Fixed(fileMiB, 0) + " MiB)",
            "≤ 1.1 × file + 64 MiB = " + Fixed(peakBigLimit, 0) + " MiB", Verdict(peakBig <= peakBigLimit)});
  Row(out, {"many-events: load + every page's content + first screen of every list", Fixed(manyEvents, 0) + " ms",
            "< 1000 ms", Verdict(manyEvents < 1000)});
  Row(out, {"many-events: memory beyond the file's copy, per event", Fixed(perEvent, 1) + " bytes", "≤ 48 bytes",
            Verdict(perEvent <= 48)});
  Row(out, {"many-events: rows of the song event list (2,000,000 events)",
            Fixed(songRows, 0) + " rows, texts made only for rows shown", "≤ one data set (3000)",
            Verdict(songRows <= 3000)});
  Row(out, {"longest interval between pending-event calls, any load", Fixed(longestGap, 1) + " ms (" + gapWhere + ")",
            "< 50 ms", Verdict(longestGap < 50)});

  // kvsdump: what printing adds to the memory of the load, for two sizes.
  const json& quarter = r.Get("Memory/many-events-quarter/kvsdump-json", "max");
  const json& full = r.Get("Memory/many-events/kvsdump-json", "max");
  auto growth = [](const json& e) { return e.at("peak_end_MiB").get<double>() - e.at("peak_load_MiB").get<double>(); };
  auto rows = [](const json& e) {
    // Every pattern event, one data set of song events, every module and
    // chunk viewer: the pattern rows dominate.
    return e.at("pattern_events").get<double>();
  };
  const double growthFull = growth(full);
  const double growthQuarter = growth(quarter);
  Row(out, {"kvsdump --json: memory added while printing (" + Fixed(rows(quarter), 0) + " / " + Fixed(rows(full), 0) +
                " pattern rows; " + Fixed(quarter.at("json_bytes_MiB").get<double>(), 0) + " / " +
                Fixed(full.at("json_bytes_MiB").get<double>(), 0) + " MiB of JSON)",
            Fixed(growthQuarter, 2) + " / " + Fixed(growthFull, 2) + " MiB", "does not grow with the rows",
            Verdict(growthFull < 2.0 && growthFull - growthQuarter < 1.0)});
  if (kvsdump.count("many-events-quarter") && kvsdump.count("many-events")) {
    Row(out, {"kvsdump --json (the program, /usr/bin/time): maximum resident size, quarter / full",
              Fixed(kvsdump.at("many-events-quarter") / 1024, 0) + " / " + Fixed(kvsdump.at("many-events") / 1024, 0) +
                  " MiB (load alone: " + Fixed(quarter.at("peak_load_MiB").get<double>(), 0) + " / " +
                  Fixed(full.at("peak_load_MiB").get<double>(), 0) + " MiB)",
              "the load's own memory", ""});
  }
}

void PerScenario(std::ostream& out, const Results& r) {
  out << "| | big-data | many-events | many-modules |\n|---|---|---|---|\n";
  auto each = [&](const std::string& label, auto cell) {
    out << "| " << label << " |";
    for (const char* scenario : {"big-data", "many-events", "many-modules"}) {
      std::string text;
      try {
        text = cell(std::string(scenario));
      } catch (const std::exception&) {
        text = "–";
      }
      out << ' ' << text << " |";
    }
    out << '\n';
  };
  each("file size", [&](const std::string& s) { return Fixed(r.Counter("Load/" + s, "file_MiB"), 1) + " MiB"; });
  each("load", [&](const std::string& s) {
    return Fixed(r.Ms("Load/" + s), 1) + " ms (" +
           Fixed(r.Counter("Load/" + s, "file_MiB") / r.Ms("Load/" + s) * 1e3, 0) + " MiB/s)";
  });
  each("longest interval between pending-event calls (largest of the runs)", [&](const std::string& s) {
    return Fixed(r.Counter("Load/" + s, "longest_gap_ms", "max"), 1) + " ms (" +
           Fixed(r.Counter("Load/" + s, "pending_calls"), 0) + " calls)";
  });
  each("FillAllViews content (all ten pages)",
       [&](const std::string& s) { return Fixed(r.Ms("FillAllViews/" + s) * 1e3, 1) + " µs"; });
  each("list models' first screen (40 rows × all columns, every list)", [&](const std::string& s) {
    return Fixed(r.Ms("ModelFirstScreen/" + s) * 1e3, 1) + " µs (" +
           Fixed(r.Counter("ModelFirstScreen/" + s, "cells"), 0) + " cells)";
  });
  each("viewers' content + first screen (module viewer, largest chunk)",
       [&](const std::string& s) { return Fixed(r.Ms("ViewerContent/" + s) * 1e3, 1) + " µs"; });
  each("load + all pages + first screens", [&](const std::string& s) {
    if (s == "big-data")
      return Fixed(r.Ms("Load/big-data") + r.Ms("FillAllViews/big-data") + r.Ms("ModelFirstScreen/big-data"), 0) +
             " ms (sum)";
    return Fixed(r.Ms("LoadAndAllPages/" + s), 1) + " ms";
  });
  each("giving the song back (the next load starts with it)",
       [&](const std::string& s) { return Fixed(r.Counter("Load/" + s, "release_ms"), 1) + " ms"; });
  each("peak memory: load", [&](const std::string& s) {
    return Fixed(r.Counter("Memory/" + s + "/load", "peak_load_MiB", "max"), 1) + " MiB";
  });
  each("peak memory: load + all pages + first screens", [&](const std::string& s) {
    return Fixed(r.Counter("Memory/" + s + "/pages", "peak_end_MiB", "max"), 1) + " MiB";
  });
  each("peak memory: kvsdump --json (JSON size)", [&](const std::string& s) {
    const json& e = r.Get("Memory/" + s + "/kvsdump-json", "max");
    return Fixed(e.at("peak_end_MiB").get<double>(), 1) + " MiB (" + Fixed(e.at("json_bytes_MiB").get<double>(), 0) +
           " MiB)";
  });
  each("kvsdump --json: writing the document after the load", [&](const std::string& s) {
    const json& e = r.Get("Memory/" + s + "/kvsdump-json");
    return Fixed(e.at("json_ms").get<double>(), 0) + " ms (" +
           Fixed(e.at("json_bytes_MiB").get<double>() / e.at("json_ms").get<double>() * 1e3, 0) + " MiB/s)";
  });
  each("program alone (before the load)", [&](const std::string& s) {
    return Fixed(r.Counter("Memory/" + s + "/load", "peak_start_MiB", "max"), 1) + " MiB";
  });
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::cerr << "Usage: tarvo_bench_report RESULTS.json [KVSDUMP.txt]\n";
    return 64;
  }
  try {
    std::ifstream in(argv[1]);
    if (!in) throw std::runtime_error(std::string("cannot open ") + argv[1]);
    const Results results(json::parse(in));
    std::map<std::string, double> kvsdump;
    if (argc == 3) {
      std::ifstream extra(argv[2]);
      std::string name;
      double kib = 0;
      while (extra >> name >> kib) kvsdump[name] = kib;
    }
    const json& context = results.Context();
    std::cout << "Run " << context.value("date", "") << " on " << context.value("num_cpus", 0) << " CPUs at "
              << context.value("mhz_per_cpu", 0) << " MHz";
    if (context.contains("load_avg") && context["load_avg"].is_array() && !context["load_avg"].empty())
      std::cout << ", load average " << Fixed(context["load_avg"][0].get<double>(), 2) << " at the end";
    std::cout << "; medians of " << results.Get("Load/big-data").value("repetitions", 0)
              << " repetitions (limits: the largest).\n\n";
    Targets(std::cout, results, kvsdump);
    std::cout << '\n';
    PerScenario(std::cout, results);
  } catch (const std::exception& error) {
    std::cerr << "tarvo_bench_report: " << error.what() << '\n';
    return 1;
  }
  return 0;
}
