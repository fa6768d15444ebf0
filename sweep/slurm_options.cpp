#include "sweep/slurm_options.h"

#include "cli/raw_argument.h"
#include "cli/run_options.h"
#include "cli/single_value.h"

namespace vendrel {
namespace {

const char* const kValueOptions[] = {"partition", "chunk", "max-running", "time",      "mem",
                                     "account",   "qos",   "job-name",    "sbatch-arg"};

}  // namespace

bool SlurmOptions::any() const {
    return !partition.empty() || chunk > 0 || max_running > 0 || !time.empty() || !mem.empty() ||
           !account.empty() || !qos.empty() || !job_name.empty() || !sbatch_args.empty();
}

void SlurmOptions::apply_to(SlurmRequest& request) const {
    request.partition = partition;
    request.chunk = chunk;
    request.max_running = max_running;
    request.time = time;
    request.mem = mem;
    request.account = account;
    request.qos = qos;
    request.job_name = job_name;
    request.sbatch_args = sbatch_args;
}

void add_slurm_options(QCommandLineParser& parser) {
    for (const char* name : kValueOptions) {
        parser.addOption(QCommandLineOption(QString::fromLatin1(name), QString(), "VALUE"));
    }
}

SlurmOptions read_slurm_options(const QCommandLineParser& parser) {
    const auto single = [&](const char* name) { return single_value(parser, name).value_or(""); };
    SlurmOptions o;
    o.partition = single("partition");
    o.time = single("time");
    o.mem = single("mem");
    o.account = single("account");
    o.qos = single("qos");
    o.job_name = single("job-name");
    if (const std::string n = single("max-running"); !n.empty()) {
        o.max_running = positive_count("max-running", n);
    }
    if (const std::string chunk = single("chunk"); !chunk.empty()) {
        o.chunk = positive_count("chunk", chunk);
    }
    for (const QString& arg : parser.values("sbatch-arg")) {
        o.sbatch_args.push_back(raw_bytes(arg));
    }
    return o;
}

std::string slurm_only_message(const std::vector<std::string>& more) {
    std::vector<std::string> names;
    for (const char* name : kValueOptions) {
        names.push_back(std::string("--") + name);
    }
    names.insert(names.end(), more.begin(), more.end());
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    }
    return text + " go with --slurm";
}

}  // namespace vendrel
