/*
** meridoka for Linux on SDL2. SDL wants its window and events on the main
** thread, so the test driver (program_main) runs on a second thread and the
** main thread serves its display requests and runs the event loop.
*/
#define SDL_MAIN_HANDLED
#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "platform/platform.h"
#include "posix/arguments.h"
#include "runner/runner.h"
#include "sdl/ui_link.h"

static std::string arguments;

const char *program_arguments(void) { return arguments.c_str(); }

int main(int argc, char **argv)
{
    // the one line a packager's tools expect, on standard output; /? and
    // --help show the usage (with the version) as every build does
    if (argc > 1 && !std::strcmp(argv[1], "--version")) {
        std::printf("meridoka " MERIDOKA_VERSION "\n");
        return 0;
    }
    arguments = join_arguments(argc, argv);
    SDL_SetMainReady();
    ui_register_events();
    int status = status_display;
    std::thread driver([&status] {
        status = program_main();
        ui_driver_finished();
    });
    ui_run();
    driver.join();
    // No SDL_Quit: see display_shutdown. The process's end closes SDL's
    // connections without reading them.
    return status;
}
