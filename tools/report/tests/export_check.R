# The exports read back: the wide CSV against the report's own tables
# (sessions.csv, responses.csv) and the imported attributes, the codebook
# against the wide table's columns, the SPSS file through haven and through
# foreign (a reader that shares no code with the writer), the Stata file
# through haven. Exits 1 at the first difference.
#
#   Rscript export_check.R TABLES_DIR PEOPLE_CSV EXPORT_DIR
suppressMessages({ library(haven); library(foreign) })
args <- commandArgs(TRUE)
tables <- args[1]; people_file <- args[2]; dir <- args[3]
text_columns <- c("test", "session", "participant", "build", "source", "started", "ended_by", "group",
                  "School_year", "note")
rd <- function(file) {
  columns <- names(read.csv(file, fileEncoding = "UTF-8-BOM", nrows = 1, check.names = FALSE))
  read.csv(file, fileEncoding = "UTF-8-BOM", stringsAsFactors = FALSE, check.names = FALSE, na.strings = "",
           colClasses = ifelse(columns %in% text_columns, "character", NA))
}
fail <- function(...) { cat("export check FAILED:", ..., "\n"); quit(status = 1) }
same <- function(what, ours, expected) {
  ours <- unname(ours); expected <- unname(expected)
  bad <- xor(is.na(ours), is.na(expected)) | (!is.na(ours) & !is.na(expected) &
    if (is.numeric(expected)) abs(as.numeric(ours) - expected) > 1e-9 else ours != expected)
  if (any(bad)) fail(what, sprintf("(%d values differ; first: %s against %s)", sum(bad),
                                   format(ours[which(bad)[1]]), format(expected[which(bad)[1]])))
}

sessions <- rd(file.path(tables, "sessions.csv"))
responses <- rd(file.path(tables, "responses.csv"))
people <- read.csv(people_file, fileEncoding = "UTF-8", stringsAsFactors = FALSE, check.names = FALSE,
                   colClasses = "character", na.strings = "")
wide <- rd(file.path(dir, "wide.csv"))
items <- max(responses$item)
nn <- sprintf("%02d", seq_len(items))

# the wide table: one row per session, the same figures as the report's tables
if (nrow(wide) != nrow(sessions)) fail("rows:", nrow(wide), "against", nrow(sessions), "sessions")
same("session IDs", wide$session, sessions$session)
same("median_rt_ms (sessions.csv: whole ms)", abs(wide$median_rt_ms - sessions$median_rt_ms) <= 0.5,
     !is.na(sessions$median_rt_ms) | NA)
for (col in c("participant", "source", "build", "ended_by", "items", "answered", "score", "wrong",
              "score_without_training", "total_ms", "fast_answers", "resumes", "ability",
              "ability_se", "ability_items"))
  same(col, wide[[col]], sessions[[col]])
same("started", ifelse(is.na(wide$started), "", wide$started), ifelse(is.na(sessions$started), "", sessions$started))
key <- cbind(match(responses$session, wide$session), responses$item)
for (part in c("answer", "right", "rt_ms")) {
  m <- as.matrix(wide[, paste0("item", nn, "_", part)])
  from <- switch(part, answer = responses$digit, right = responses$right, rt_ms = responses$rt_ms)
  expected <- ifelse(responses$answered == 1, from, NA)
  if (part == "answer") expected[!is.na(expected) & expected == 0] <- NA
  same(paste("item", part), m[key], expected)
}
# attributes: the text as imported, cells a spreadsheet would run defused
p <- people[match(wide$participant, people$participant), ]
defused <- function(v) ifelse(!is.na(v) & grepl("^[-=+@]", v), paste0("'", v), v)
same("attribute age", wide$age, as.numeric(p$age))
same("attribute group (UTF-8, defused)", wide$group, defused(p$group))
same("attribute School year", wide$School_year, defused(p[["School year"]]))
if (!any(grepl("^'[-=+@]", wide$group))) fail("the test data hold no formula-like cell")

# the codebook: every column once, in order, with a type that fits its values
for (cb in list(rd(file.path(dir, "codebook.csv")))) {
  same("codebook names", cb$name, names(wide))
  numeric_in_csv <- vapply(wide, function(x) is.numeric(x) || all(is.na(x)), TRUE)
  if (!all(cb$type != "number" | numeric_in_csv)) fail("codebook: a number column holds text")
  if (!all(cb$type %in% c("number", "text"))) fail("codebook: unknown types")
  if (any(is.na(cb$label) | is.na(cb$meaning))) fail("codebook: a column without label or meaning")
}
md <- readLines(file.path(dir, "codebook.md"), encoding = "UTF-8")
for (n in names(wide)) if (!any(grepl(paste0("`", n, "`"), md, fixed = TRUE))) fail("codebook.md lacks", n)
if (any(nchar(names(wide)) > 32 | !grepl("^[A-Za-z][A-Za-z0-9_]*$", names(wide))) ||
    anyDuplicated(tolower(names(wide)))) fail("column names not valid for SPSS and Stata")

# why an item has no value: -1/.a not answered, -2/.b not reached, -3/.c not recorded
last <- tapply(responses$item[responses$answered == 1], responses$session[responses$answered == 1], max)
last <- unname(last[wide$session]); last[is.na(last)] <- 0
why <- function(part) {
  m <- as.matrix(wide[, paste0("item", nn, "_", part)])
  code <- matrix(NA_real_, nrow(m), ncol(m))
  unanswered <- matrix(TRUE, nrow(m), ncol(m)); unanswered[key[responses$answered == 1, ]] <- FALSE
  after <- outer(last, seq_len(items), "<")
  code[unanswered & after] <- -2; code[unanswered & !after] <- -1
  code[!unanswered & is.na(m)] <- -3
  code
}
expected_codes <- lapply(c(answer = "answer", right = "right", rt_ms = "rt_ms"), why)
if (!any(expected_codes$answer == -2, na.rm = TRUE)) fail("the test data hold no item not reached")

raw_text <- function(v) sub("^'([-=+@])", "\\1", v)  # the data files keep the text as it is
compare_file <- function(what, d, missing_code) {
  same(paste(what, "names"), names(d), names(wide))
  for (n in names(wide)) {
    x <- d[[n]]
    if (is.character(wide[[n]]) || is.character(x)) {
      same(paste(what, n), ifelse(x == "", NA, as.character(x)), raw_text(wide[[n]]))
      next
    }
    parts <- regmatches(n, regexec("^item[0-9]+_(answer|right|rt_ms)$", n))[[1]]
    if (length(parts) == 0) { same(paste(what, n), as.numeric(zap_missing(x)), wide[[n]]); next }
    codes <- expected_codes[[parts[2]]][, match(n, paste0("item", nn, "_", parts[2]))]
    same(paste(what, n, "values"), ifelse(is.na(codes), as.numeric(zap_missing(x)), NA), wide[[n]])
    same(paste(what, n, "missing codes"), missing_code(x), codes)
  }
}
cb <- rd(file.path(dir, "codebook.csv"))

sav <- read_sav(file.path(dir, "sessions.sav"), user_na = TRUE)
compare_file("sav (haven)", sav, function(x) ifelse(is.na(x) & !is.na(unclass(x)), unclass(x), NA))
same("sav variable labels", vapply(sav, function(x) attr(x, "label"), ""), cb$label)
if (!identical(unname(attr(sav$item04_right, "labels")[c("wrong", "right", "not reached")]), c(0, 1, -2)))
  fail("sav value labels of item04_right")
f <- suppressMessages(suppressWarnings(read.spss(file.path(dir, "sessions.sav"), to.data.frame = TRUE, use.value.labels = FALSE,
                                use.missings = FALSE, reencode = "UTF-8")))
f[] <- lapply(f, function(x) if (is.character(x) || is.factor(x)) trimws(as.character(x), "right") else x)
compare_file("sav (foreign)", f, function(x) ifelse(x < 0, x, NA))

dta <- read_dta(file.path(dir, "sessions.dta"))
compare_file("dta (haven)", dta, function(x) c(a = -1, b = -2, c = -3)[na_tag(x)])
same("dta variable labels", vapply(dta, function(x) attr(x, "label"), ""), cb$label)

cat(sprintf("export check: %d sessions x %d columns: wide CSV, codebook, .sav (haven, foreign), .dta (haven) agree\n",
            nrow(wide), ncol(wide)))
