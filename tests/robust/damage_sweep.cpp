// Every truncation and every single-byte damage of a real archive, each
// taken through a whole run of the program on one fixed scenario: every
// prefix of the file (0 bytes to all of it), and every byte of its header,
// directory and tables (TESTINFO, MESSAGES) set to 0x00, 0xFF and to
// itself plus and minus one. Each run must pass robust::common_failures;
// the sanitizers of the build watch the rest. Prints the runs and the split
// of their statuses.
//
//   damage_sweep [--prefix-step N] ARCHIVE
//
// --prefix-step N keeps, of the prefixes, those of a multiple of N bytes,
// the whole file and every cut inside the header, directory and tables
// (the quick sweep of CI); by default every prefix runs.
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "archive/format.h"
#include "base/little_endian.h"
#include "runner/runner.h"
#include "tests/robust/program_run.h"

namespace {

using headless::Action;
using headless::Step;
using Bytes = std::vector<uint8_t>;

// Leaves the instruction screen, answers the first items with digits 1 to
// 3 (a wrong practice answer meets the refusal box), takes a screenshot,
// presses a key while busy, then leaves with Esc. Few items, so that the
// tens of thousands of runs stay quick.
std::vector<Step> fixed_scenario()
{
    std::vector<Step> s = {{Action::key, 57}};
    for (uint8_t digit : {1, 2, 3}) {
        s.push_back({Action::key, uint8_t(digit + 1)});
        s.push_back({Action::key, key_enter});
    }
    for (Step step : {Step{Action::shot}, Step{Action::busy, 2}, Step{Action::key, 3}, Step{Action::key, key_enter},
                      Step{Action::key, key_esc}})
        s.push_back(step);
    return s;
}

struct Tally {
    unsigned long runs = 0, status[2] = {0, 0}, result_files = 0, failures = 0;
    void print(const char *what) const
    {
        printf("  %-26s %7lu runs: status 0: %lu, status 1: %lu; result files: %lu\n", what, runs, status[0],
               status[1], result_files);
    }
};

// One run on whatever MERIDOKA.WDL holds now; what is the damage, for a report.
void run_once(Tally &tally, const std::string &damage)
{
    static const std::vector<Step> script = fixed_scenario();
    robust::Outcome out = robust::run_program(script);
    std::string failed = robust::common_failures(out);
    tally.runs++;
    if (out.status == 0 || out.status == 1)
        tally.status[out.status]++;
    tally.result_files += out.result_file;
    if (!failed.empty()) {
        tally.failures++;
        if (tally.failures <= 20)
            fprintf(stderr, "damage_sweep: %s: %s\n", damage.c_str(), failed.c_str());
    }
}

// The bytes whose damage the sweep tries: the header, the directory and
// the stored bytes of the two tables (as far as they lie inside the file).
std::set<size_t> damage_targets(const Bytes &file)
{
    std::set<size_t> at;
    auto add = [&](size_t from, size_t count) {
        for (size_t i = from; i < from + count && i < file.size(); i++)
            at.insert(i);
    };
    add(0, archive_header_size);
    if (file.size() < archive_header_size)
        return at;
    const size_t count = get_u16(&file[archive_count_at]), dir = get_u32(&file[archive_directory_at]);
    add(dir, count * archive_entry_size);
    for (size_t i = 0; i < count && dir + (i + 1) * archive_entry_size <= file.size(); i++) {
        const uint8_t *e = &file[dir + i * archive_entry_size];
        const std::string name(reinterpret_cast<const char *>(e + entry_name_at),
                               strnlen(reinterpret_cast<const char *>(e + entry_name_at), archive_name_size));
        if (name == resource_items || name == resource_messages)
            add(get_u32(e + entry_offset_at), get_u16(e + entry_stored_at));
    }
    return at;
}

void must(bool ok, const char *what)
{
    if (!ok) {
        perror(what);
        exit(2);
    }
}

}  // namespace

int main(int argc, char **argv)
{
    size_t step = 1;
    if (argc == 4 && strcmp(argv[1], "--prefix-step") == 0) {
        step = strtoul(argv[2], nullptr, 10);
        argv += 2, argc -= 2;
    }
    if (argc != 2 || step < 1) {
        fprintf(stderr, "usage: damage_sweep [--prefix-step N] ARCHIVE\n");
        return 64;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const Bytes original((std::istreambuf_iterator<char>(in)), {});
    if (original.size() < archive_header_size) {
        fprintf(stderr, "damage_sweep: cannot read an archive from %s\n", argv[1]);
        return 66;
    }
    char dir[] = "/dev/shm/meridoka-sweep-XXXXXX";
    must(mkdtemp(dir) != nullptr, "mkdtemp");
    must(chdir(dir) == 0, dir);
    printf("damage sweep of %s (%zu bytes)\n", argv[1], original.size());

    const std::set<size_t> targets = damage_targets(original);

    // every prefix (or the chosen ones), longest first: the file only ever shrinks
    const int fd = open(archive_file_name, O_RDWR | O_CREAT | O_TRUNC, 0644);
    must(fd >= 0 && write(fd, original.data(), original.size()) == ssize_t(original.size()), "write");
    Tally prefixes;
    for (size_t length = original.size() + 1; length-- > 0;) {
        if (length % step != 0 && length != original.size() && targets.count(length) == 0)
            continue;
        must(ftruncate(fd, off_t(length)) == 0, "ftruncate");
        run_once(prefixes, "prefix of " + std::to_string(length) + " bytes");
    }

    // every damage of every chosen byte, put right again after its run
    must(pwrite(fd, original.data(), original.size(), 0) == ssize_t(original.size()), "pwrite");
    Tally damaged;
    for (size_t at : targets) {
        const uint8_t was = original[at];
        std::set<uint8_t> values = {0x00, 0xFF, uint8_t(was + 1), uint8_t(was - 1)};
        values.erase(was);
        for (uint8_t v : values) {
            must(pwrite(fd, &v, 1, off_t(at)) == 1, "pwrite");
            char what[64];
            snprintf(what, sizeof what, "byte %zu set from 0x%02X to 0x%02X", at, was, v);
            run_once(damaged, what);
        }
        must(pwrite(fd, &was, 1, off_t(at)) == 1, "pwrite");
    }
    close(fd);
    std::filesystem::remove_all(dir);

    char label[64];
    if (step == 1) {
        prefixes.print("every prefix:");
    } else {
        snprintf(label, sizeof label, "prefixes (step %zu):", step);
        prefixes.print(label);
    }
    snprintf(label, sizeof label, "%zu damaged bytes:", targets.size());
    damaged.print(label);
    const unsigned long failures = prefixes.failures + damaged.failures;
    printf("  %lu runs, %lu failed\n", prefixes.runs + damaged.runs, failures);
    return failures ? 1 : 0;
}
