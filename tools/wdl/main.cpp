// wdl: builds, lists, extracts, checks and previews test archives.
#include "tools/wdl/commands.h"
#include "host/error.h"

#include <CLI/CLI.hpp>

#include <iostream>

int main(int argc, char **argv)
{
    CLI::App app{"wdl: the test archive tool (MERIDOKA.WDL)"};
    app.require_subcommand(1);
    app.set_version_flag("--version", "wdl " MERIDOKA_VERSION);

    std::string source, archive, out_dir, png, language = "ru";
    std::vector<std::string> names;
    bool strict = false, intro = false;
    wdl::TextOptions text;
    int item = 0;
    const char *const ascii_help = "Replace dashes, typographic quotes, the ellipsis and special spaces with plain "
                                   "characters and list each replacement";

    CLI::App *init = app.add_subcommand("init", "Write a new test source to start from");
    init->add_option("folder", out_dir, "Folder to create (or an empty one)")->required();
    init->add_option("--language", language, "Language of the texts the manifest uses: ru or en")
        ->check(CLI::IsMember({"ru", "en"}));

    CLI::App *build = app.add_subcommand("build", "Build an archive from a source folder");
    build->add_option("source", source, "Source folder (with test.json) or the manifest itself")->required();
    build->add_option("-o,--output", archive, "Archive to write")->required();
    build->add_flag("--ascii-punctuation", text.ascii_punctuation, ascii_help);

    CLI::App *list = app.add_subcommand("list", "List an archive's entries");
    list->add_option("archive", archive, "Archive")->required();

    CLI::App *extract = app.add_subcommand("extract", "Extract resources and the test's source folder");
    extract->add_option("archive", archive, "Archive")->required();
    extract->add_option("names", names, "Only these resources");
    extract->add_option("-o,--output", out_dir, "Folder to write")->required();

    CLI::App *check = app.add_subcommand("check", "Check an archive or a source folder for everything the runner "
                                                  "relies on");
    check->add_option("archive", archive, "Archive, or a source folder (or its .json manifest)")->required();
    check->add_flag("--strict", strict, "Warnings count as errors");
    check->add_flag("--ascii-punctuation", text.ascii_punctuation, ascii_help);

    CLI::App *preview = app.add_subcommand("preview", "Render a test screen as the runner shows it");
    preview->add_option("archive", archive, "Archive")->required();
    auto *item_opt = preview->add_option("--item", item, "Item number, counted from 1")->check(CLI::PositiveNumber);
    auto *intro_opt = preview->add_flag("--intro", intro, "The instruction screen");
    item_opt->excludes(intro_opt);
    preview->add_option("-o,--output", png, "PNG file to write")->required();

    CLI11_PARSE(app, argc, argv);

    try {
        if (*init) {
            wdl::init_command(out_dir, language, std::cout);
        } else if (*build) {
            wdl::build_command(source, archive, std::cerr, text);
            std::cout << "wrote " << archive << "\n";
        } else if (*list) {
            wdl::list_command(archive, std::cout);
        } else if (*extract) {
            wdl::extract_command(archive, names, out_dir, std::cout);
        } else if (*check) {
            return wdl::check_command(archive, strict, text, std::cout) ? 0 : 1;
        } else if (*preview) {
            if (!intro && item == 0)
                throw wdl::Error("preview: give --item N or --intro");
            wdl::preview_command(archive, intro ? 0 : item, png);
            std::cout << "wrote " << png << "\n";
        }
    } catch (const wdl::Error &e) {
        std::cerr << "wdl: " << e.what() << "\n";
        return 1;
    } catch (const std::exception &e) {
        std::cerr << "wdl: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
