// Printing a page to PDF through headless Chromium (its own print, as a
// person's "Save as PDF" would), A4 from the page's print style.
#pragma once

#include <string>

namespace report {

// Throws Error with a sentence when Chromium is not installed or prints
// nothing usable. `html`: a page on disk.
void print_to_pdf(const std::string &html, const std::string &pdf);

}  // namespace report
