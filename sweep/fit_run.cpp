#include "sweep/fit_run.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <set>
#include <sstream>

#include "cli/run_options.h"
#include "document/atomic_file.h"
#include "document/modelled_observations.h"
#include "document/project.h"
#include "document/project_reader.h"
#include "sweep/design_manifest.h"
#include "sweep/fit_report.h"
#include "sweep/slurm_job.h"
#include "sweep/slurm_submission.h"
#include "sweep/sweep_manifest.h"
#include "sweep/sweep_runner.h"

namespace vendrel {
namespace {

constexpr double kMinusInfinity = -std::numeric_limits<double>::infinity();

std::string read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string batch_name(int batch) {
    char name[32];
    std::snprintf(name, sizeof name, "b%05d", batch);
    return name;
}

std::string particle_id(std::size_t i) {
    char id[32];
    std::snprintf(id, sizeof id, "p%05zu", i + 1);
    return id;
}

// splitmix64's finaliser: seeds of neighbouring batches far apart.
std::uint64_t mixed_seed(std::uint64_t seed, std::uint64_t batch, std::uint64_t stream) {
    std::uint64_t z = seed + 0x9E3779B97F4A7C15ULL * (2 * batch + stream + 1);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

// `moves` in the state once a temperature's moves are done.
constexpr int kStageDone = -1;

// Whether the particles have moved enough at this temperature: at least
// the settings' moves, then until nine in ten particles have taken a step
// since the resampling (their run is of this temperature's batches), at
// most ten times the settings' moves.
bool stage_done(const FitState& s, const FitSettings& settings) {
    if (s.moves < settings.moves) {
        return false;
    }
    if (s.moves >= 10 * settings.moves) {
        return true;
    }
    const int first = s.batches - s.moves;
    std::size_t moved = 0;
    for (const std::string& run : s.particle_runs) {
        moved += std::stoi(run.substr(1, run.find('/') - 1)) >= first ? 1 : 0;
    }
    return double(moved) >= 0.9 * double(s.particle_runs.size());
}

class FitDriver {
  public:
    FitDriver(const FitInputs& inputs, const FitRunOptions& options)
        : in_(inputs), o_(options), started_(std::chrono::steady_clock::now()) {
        Project project(make_startup_parameters(1));
        project.simulation().new_model();
        defaults_ = project.current_values();
    }

    FitOutcome run();

  private:
    // Runs batch `batch` of the points and returns each run's log L.
    std::vector<double> evaluate(int batch, const Particles& points);
    double log_likelihood(const std::string& project) const;
    void save(FitState& s);
    void prune(const FitState& s) const;
    void note_best(FitState& s, const std::string& run, double log_l,
                   const std::vector<double>& unit) const;
    void note_stage(FitState& s) const;

    const FitInputs& in_;
    const FitRunOptions& o_;
    ProjectDefaults defaults_;
    std::chrono::steady_clock::time_point started_;
    double earlier_wall_time_ = 0;
    bool interrupted_ = false;
};

void prepare_fit_folder(const FitInputs& in, const std::string& dir) {
    std::error_code error;
    std::filesystem::create_directories(dir + "/batches", error);
    if (error) {
        throw FileError("cannot make the folder " + dir + "/batches: " + error.message());
    }
    for (const auto& [file, text] : {std::pair{"priors.toml", &in.priors_text},
                                     std::pair{"observations.csv", &in.observations_text}}) {
        const std::string copy = dir + "/" + file;
        if (std::filesystem::exists(copy)) {
            if (read_text(copy) != *text) {
                throw UsageError(dir + " holds another fit: its " + file +
                                 " differs from the one given");
            }
        } else {
            write_file_atomically(copy, *text);
        }
    }
}

double FitDriver::log_likelihood(const std::string& project) const {
    try {
        const ProjectData data = ReadProjectFile(project, defaults_).data;
        const ModelledObservations model(data);
        return -0.5 * chi_square(in_.observations, model.values(in_.observations));
    } catch (const FileError&) {
        return kMinusInfinity;
    }
}

std::vector<double> FitDriver::evaluate(int batch, const Particles& points) {
    const std::string folder = o_.dir + "/batches/" + batch_name(batch);
    DesignPoints design;
    design.unit = points;
    for (std::size_t i = 0; i < points.size(); ++i) {
        design.ids.push_back(particle_id(i));
    }
    const std::string text = design_manifest_text(in_.priors, design);
    const std::string manifest_path = folder + "/manifest.csv";
    check_design_manifest(text, manifest_path, false);
    std::filesystem::create_directories(folder);
    if (std::filesystem::exists(manifest_path) && read_text(manifest_path) != text) {
        // What an earlier session left of a batch it had not finished was
        // made from the same state, so it can differ only if the folder was
        // tampered with: start the batch afresh.
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }
    if (!std::filesystem::exists(manifest_path)) {
        write_file_atomically(manifest_path, text);
    }
    const SweepManifest manifest = parse_sweep_manifest(text, manifest_path);
    const SweepSettings settings{folder, false, o_.jobs, runner_beside_program()};
    const std::vector<int> rows = incomplete_rows(manifest, settings);
    if (rows.empty()) {
        // every run of the batch is there already (a resumed fit)
    } else if (o_.slurm) {
        SlurmRequest request;
        request.dir = folder;
        request.program = std::filesystem::read_symlink("/proc/self/exe").string();
        request.rows = int(manifest.rows.size());
        request.rows_to_run = rows;
        o_.cluster.apply_to(request);
        const std::string job = submit_sweep(request);
        if (wait_for_slurm_job(job, o_.progress) == SweepEnd::Interrupted) {
            interrupted_ = true;
            return {};
        }
    } else if (run_sweep_rows(manifest, rows, settings, o_.progress).end == SweepEnd::Interrupted) {
        interrupted_ = true;
        return {};
    }
    std::vector<double> log_l(points.size(), kMinusInfinity);
    const SweepSettings files{folder, false, 1, {}};
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (run_complete(files, design.ids[i])) {
            log_l[i] = log_likelihood(run_files(folder, design.ids[i]).project);
        }
    }
    return log_l;
}

void FitDriver::note_best(FitState& s, const std::string& run, double log_l,
                          const std::vector<double>& unit) const {
    if (std::isfinite(log_l) && (s.best_run.empty() || log_l > s.best_log_likelihood)) {
        s.best_run = run;
        s.best_log_likelihood = log_l;
        s.best_unit = unit;
    }
}

void FitDriver::note_stage(FitState& s) const {
    FitStage stage{s.temperature, s.runs, {}};
    for (const ParameterInterval& p : posterior_intervals(in_, s)) {
        stage.intervals.insert(stage.intervals.end(), {p.median, p.q05, p.q95});
    }
    s.history.push_back(std::move(stage));
}

void FitDriver::save(FitState& s) {
    s.wall_time_s =
        earlier_wall_time_ +
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    write_file_atomically(o_.dir + "/fit-state.txt", fit_state_text(s));
    prune(s);
}

// Removes the project files of finished batches that no particle holds and
// that are not the best run: a long fit would otherwise keep every run.
void FitDriver::prune(const FitState& s) const {
    std::set<std::string> kept(s.particle_runs.begin(), s.particle_runs.end());
    kept.insert(s.best_run);
    for (int b = 0; b < s.batches; ++b) {
        const std::string name = batch_name(b);
        const std::string folder = o_.dir + "/batches/" + name;
        for (std::size_t i = 0; i < s.particles.size(); ++i) {
            const std::string id = particle_id(i);
            if (kept.count(name + "/" + id) == 0) {
                std::error_code ignored;
                std::filesystem::remove(run_files(folder, id).project, ignored);
            }
        }
    }
}

FitOutcome FitDriver::run() {
    const std::string state_path = o_.dir + "/fit-state.txt";
    FitState s;
    if (std::filesystem::exists(state_path)) {
        s = parse_fit_state(read_text(state_path), state_path);
        earlier_wall_time_ = s.wall_time_s;
        if (s.particles.size() != std::size_t(in_.priors.samples) ||
            (!s.particles.empty() && s.particles[0].size() != in_.priors.free.size())) {
            throw UsageError(state_path + " does not belong to these priors");
        }
    }
    const std::size_t n = std::size_t(in_.priors.samples);
    const std::uint64_t seed = in_.priors.seed;
    if (s.batches == 0) {
        DesignRandom random(mixed_seed(seed, 0, 0));
        Particles points(n, std::vector<double>(in_.priors.free.size()));
        for (auto& p : points) {
            for (double& u : p) {
                u = random.uniform();
            }
        }
        const std::vector<double> log_l = evaluate(0, points);
        if (interrupted_) {
            return {FitEnd::Interrupted, s};
        }
        s.particles = points;
        s.log_likelihood = log_l;
        for (std::size_t i = 0; i < n; ++i) {
            s.particle_runs.push_back(batch_name(0) + "/" + particle_id(i));
            note_best(s, s.particle_runs[i], log_l[i], points[i]);
        }
        s.moves = kStageDone;
        s.batches = 1;
        s.runs = (long long)n;
        note_stage(s);
        save(s);
    }
    for (;;) {
        if (s.moves == kStageDone) {
            if (s.temperature >= 1.0) {
                return {FitEnd::Finished, s};
            }
            if (s.runs + (long long)(n)*in_.settings.moves > in_.settings.max_runs) {
                return {FitEnd::OutOfRuns, s};
            }
            const double next =
                next_temperature(s.log_likelihood, s.temperature, in_.settings.ess_fraction);
            if (!(next > s.temperature)) {
                throw FileError(
                    "no run reproduces the observations (every run failed or lacks "
                    "a value a datum needs); see " +
                    o_.dir + "/batches/*/*.error");
            }
            DesignRandom random(mixed_seed(seed, std::uint64_t(s.batches), 1));
            const std::vector<int> picked = systematic_resample(
                tempering_weights(s.log_likelihood, next - s.temperature), random.uniform());
            FitState resampled = s;
            for (std::size_t i = 0; i < n; ++i) {
                const std::size_t j = std::size_t(picked[i]);
                resampled.particles[i] = s.particles[j];
                resampled.log_likelihood[i] = s.log_likelihood[j];
                resampled.particle_runs[i] = s.particle_runs[j];
            }
            s = std::move(resampled);
            s.temperature = next;
            s.moves = 0;
            ++s.stages;
        }
        if (s.runs + (long long)n > in_.settings.max_runs) {
            // The particles stand at a temperature whose moves are not all
            // done: the outputs' tempering table still gets its row.
            note_stage(s);
            return {FitEnd::OutOfRuns, s};
        }
        const std::vector<std::vector<double>> factor = proposal_factor(s.particles);
        DesignRandom random(mixed_seed(seed, std::uint64_t(s.batches), 0));
        Particles proposals(n);
        for (std::size_t i = 0; i < n; ++i) {
            proposals[i] = propose(s.particles[i], factor, random);
        }
        const std::vector<double> log_l = evaluate(s.batches, proposals);
        if (interrupted_) {
            return {FitEnd::Interrupted, s};
        }
        for (std::size_t i = 0; i < n; ++i) {
            const std::string run = batch_name(s.batches) + "/" + particle_id(i);
            note_best(s, run, log_l[i], proposals[i]);
            const double v = 1.0 - random.uniform();  // in (0, 1]
            const bool accept = std::isfinite(log_l[i]) &&
                                (!std::isfinite(s.log_likelihood[i]) ||
                                 std::log(v) < s.temperature * (log_l[i] - s.log_likelihood[i]));
            if (accept) {
                s.particles[i] = proposals[i];
                s.log_likelihood[i] = log_l[i];
                s.particle_runs[i] = run;
            }
        }
        ++s.moves;
        ++s.batches;
        s.runs += (long long)n;
        if (stage_done(s, in_.settings)) {
            s.moves = kStageDone;
            note_stage(s);
        }
        save(s);
    }
}

}  // namespace

double chi_square(const std::vector<Observation>& data, const std::vector<double>& model) {
    double sum = 0;
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (std::isnan(model[i])) {
            return std::numeric_limits<double>::infinity();
        }
        const double r = (model[i] - data[i].value) / data[i].sigma;
        sum += r * r;
    }
    return sum;
}

std::string particle_project(const std::string& dir, const std::string& run) {
    return dir + "/batches/" + run + ".vdl";
}

FitOutcome run_fit(const FitInputs& inputs, const FitRunOptions& options) {
    prepare_fit_folder(inputs, options.dir);
    return FitDriver(inputs, options).run();
}

}  // namespace vendrel
