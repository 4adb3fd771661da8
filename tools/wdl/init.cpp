// wdl init: a new test source that builds and checks clean as it stands,
// with everything explained where the author edits it.
#include "tools/wdl/commands.h"

#include "host/codepages.h"
#include "host/error.h"
#include "tools/wdl/init_pictures.h"

#include "runner/runner.h"

#include <dirent.h>

namespace wdl {

using namespace host;  // the tools' shared library

// The repository's font and the sample test's texts (embed_text.cmake).
extern const char init_font[];
extern const char init_instruction_ru[], init_messages_ru[], init_instruction_en[], init_messages_en[];

namespace {

bool is_empty_dir(const std::string &path)
{
    DIR *d = opendir(path.c_str());
    if (!d)
        return false;
    bool empty = true;
    while (dirent *e = readdir(d))
        empty = empty && (std::string(e->d_name) == "." || std::string(e->d_name) == "..");
    closedir(d);
    return empty;
}

void write_text(const std::string &path, const std::string &text)
{
    write_file_atomic(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::string item_text(int number, const std::string &language)
{
    const std::string n = std::to_string(number);
    if (language == "ru")
        return number <= training_items ? "Задание " + n + " (тренировочное)" : "Задание " + n;
    return number <= training_items ? "Item " + n + " (practice)" : "Item " + n;
}

std::string manifest(const std::vector<ExampleItem> &items, const std::string &language)
{
    const std::string other = language == "ru" ? "en" : "ru";
    std::string s =
        "// A test for MERIDOKA, made by `wdl init`. Build and check it with\n"
        "//   wdl build THIS_FOLDER -o MERIDOKA.WDL\n"
        "//   wdl check THIS_FOLDER --strict\n"
        "// Every key is explained in tools/wdl/README.md (\"Your first test\").\n"
        "{\n"
        "  // The 8x8 font, one glyph per CP866 code (# ink, . background).\n"
        "  \"font\": \"font.txt\",\n"
        "  // The instruction screen before the first item; without this line the test starts at once.\n"
        "  \"instruction\": \"instruction." + language + ".txt\",\n"
        "  // The program's texts, one a line. The " + (other == "en" ? "English" : "Russian") +
        " ones are in messages." + other + ".txt\n"
        "  // and instruction." + other + ".txt: name those files here to switch.\n"
        "  \"messages\": \"messages." + language + ".txt\",\n"
        "  // Two black-and-white 352x190 PNG pictures per item: NAME0.png, the problem with\n"
        "  // one cell left blank, and NAME1.png, the answers. You draw the cell frames; start\n"
        "  // from templates/problem.png and templates/answers.png (nine framed 112x50 cells).\n"
        "  \"pictures\": \"pictures\",\n"
        "  // How the test is given (this block may be left out: the same as below).\n"
        "  // \"ask_id\": \"no\", \"yes\" or \"required\": before the instruction the person giving the\n"
        "  // test types the participant's ID (\"required\": Enter is refused while it is empty);\n"
        "  // not asked when the command line gives one (/P:ID). The ID holds at most\n"
        "  // \"id_max_length\" (1 to 32) characters: capital letters A-Z if \"id_letters\", digits\n"
        "  // if \"id_digits\", and the marks in \"id_marks\" (up to 8 of - = [ ] ; ' ` \\\\ , . /).\n"
        "  // \"offer_resume\": when that ID has an unfinished session with this test in the\n"
        "  // folder, offer to continue it. The screens' texts are messages 6 to 11 of the\n"
        "  // messages file. Time limits (\"test_minutes\" 1 to 600, \"item_seconds\" 1 to 3600,\n"
        "  // \"show_remaining_time\"): the test ends, an item closes unanswered, the time left shows.\n"
        "  \"administration\": {\n"
        "    \"ask_id\": \"no\",\n"
        "    \"id_max_length\": 12,\n"
        "    \"id_letters\": true,\n"
        "    \"id_digits\": true,\n"
        "    \"id_marks\": \"-.\",\n"
        "    \"offer_resume\": false,\n"
        "    \"show_remaining_time\": false\n"
        "  },\n"
        "  // The items in the order shown. The first three are always practice items: a wrong\n"
        "  // answer is refused there. \"cells\": the answer cells holding an answer, 1 2 3 the top\n"
        "  // row to 7 8 9 the bottom row. \"answer\": the digit of the right one, counting only\n"
        "  // those cells. \"empty\": the problem cell left blank. \"text\": one line of at most 35\n"
        "  // characters beside the pictures; it also labels the item's line in the result file.\n"
        "  \"items\": [\n";
    for (size_t i = 0; i < items.size(); i++) {
        Item it;
        it.name = items[i].name;
        it.answer = items[i].answer;
        it.cells = items[i].cells;
        it.empty = items[i].empty;
        it.text = utf8_to_cp866(item_text(int(i) + 1, language), "", 0);
        s += "    " + item_json(it) + (i + 1 < items.size() ? "," : "") + "\n";
    }
    return s + "  ]\n}\n";
}

}  // namespace

void init_command(const std::string &folder, const std::string &language, std::ostream &out)
{
    if (language != "ru" && language != "en")
        throw Error("init: the language is ru or en, not \"" + language + "\"");
    make_dir(folder);
    if (!is_empty_dir(folder))
        throw Error(folder + ": the folder is not empty; wdl init writes a new test only into a new or empty folder");
    const auto path = [&](const std::string &name) { return join_path(folder, name); };
    const std::vector<ExampleItem> items = example_items();

    write_text(path("font.txt"), init_font);
    write_text(path("instruction.ru.txt"), init_instruction_ru);
    write_text(path("messages.ru.txt"), init_messages_ru);
    write_text(path("instruction.en.txt"), init_instruction_en);
    write_text(path("messages.en.txt"), init_messages_en);
    make_dir(path("templates"));
    write_png(path("templates/problem.png"), framed_picture(0x1FF));
    write_png(path("templates/answers.png"), framed_picture(0x1FF));
    make_dir(path("pictures"));
    for (const ExampleItem &it : items) {
        write_png(path("pictures/" + it.name + "0.png"), it.problem);
        write_png(path("pictures/" + it.name + "1.png"), it.answers);
    }
    write_text(path("test.json"), manifest(items, language));

    out << "wrote a new test to " << folder << ": test.json, font.txt, the texts in Russian (*.ru.txt) and English "
        << "(*.en.txt), " << items.size() << " example items in pictures/ and blank framed pictures in templates/\n"
        << "next:  wdl build " << folder << " -o " << path("MERIDOKA.WDL") << "\n"
        << "       wdl check " << folder << " --strict\n"
        << "       wdl preview " << path("MERIDOKA.WDL") << " --item 1 -o item1.png\n";
}

}  // namespace wdl
