#pragma once
// The cluster options a sweep and a fit both take with --slurm, read from
// a QCommandLineParser:
//
//   --partition P  --chunk K  --max-running N  --time T  --mem M
//   --account A  --qos Q  --job-name NAME  --sbatch-arg ARG (repeatable)

#include <QCommandLineParser>
#include <string>
#include <vector>

#include "sweep/slurm_submission.h"

namespace vendrel {

struct SlurmOptions {
    std::string partition;
    int chunk = 0;
    int max_running = 0;
    std::string time;
    std::string mem;
    std::string account;
    std::string qos;
    std::string job_name;
    std::vector<std::string> sbatch_args;

    // Whether any of them was given.
    bool any() const;
    // Sets the request's fields of the same names.
    void apply_to(SlurmRequest& request) const;
};

// Adds the options above to `parser`.
void add_slurm_options(QCommandLineParser& parser);

// Reads them after a parse. Throws UsageError for a count that is not a
// positive whole number or an option given twice.
SlurmOptions read_slurm_options(const QCommandLineParser& parser);

// "--partition, --chunk, ..., --sbatch-arg" followed by `more` (each
// "--name") and " go with --slurm", joined as a sentence.
std::string slurm_only_message(const std::vector<std::string>& more);

}  // namespace vendrel
