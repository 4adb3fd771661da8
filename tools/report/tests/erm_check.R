# The report's item analysis against R's eRm and stats::mantelhaen.test on
# the same answers: reads the CSV tables `meridoka-report csv` wrote, fits
# the Rasch model again in R, prints the largest difference per statistic
# and exits 1 when one exceeds its tolerance.
#
#   Rscript erm_check.R TABLES_DIR
suppressMessages(library(eRm))
dir <- commandArgs(TRUE)[1]
rd <- function(name) {
  columns <- names(read.csv(file.path(dir, name), fileEncoding = "UTF-8-BOM", nrows = 1))
  read.csv(file.path(dir, name), fileEncoding = "UTF-8-BOM", stringsAsFactors = FALSE,
           colClasses = ifelse(columns %in% c("test", "session", "participant", "build", "dif_group", "by"), "character", NA))
}
tests <- rd("tests.csv"); items <- rd("items.csv"); sessions <- rd("sessions.csv")
responses <- rd("responses.csv"); scores <- rd("scores.csv")
stopifnot(nrow(tests) == 1)
analysed <- items[items$training == 0, ]
responses <- responses[responses$item %in% analysed$item, ]
X <- matrix(NA_integer_, nrow(sessions), nrow(analysed), dimnames = list(sessions$session, paste0("I", analysed$item)))
answered <- responses$answered == 1
X[cbind(match(responses$session[answered], sessions$session), match(responses$item[answered], analysed$item))] <-
  responses$right[answered]
# the median split: raw score at or below the median of every session that answered an item
score <- rowSums(X, na.rm = TRUE)[rowSums(!is.na(X)) > 0]
high <- score > median(score)
X <- X[rowSums(!is.na(X)) > 1, , drop = FALSE]  # eRm refuses persons with one answer (they carry no information)

failed <- FALSE
check <- function(what, ours, theirs, tolerance) {
  ok <- !is.na(ours) & !is.na(theirs)
  if (sum(ok) == 0 || any(is.na(ours) != is.na(theirs))) {
    cat(sprintf("  %-34s FAILED: estimates missing on one side (%d ours, %d eRm)\n", what, sum(!is.na(ours)),
                sum(!is.na(theirs))))
    failed <<- TRUE
    return(invisible())
  }
  d <- max(abs(ours[ok] - theirs[ok]))
  bad <- d > tolerance
  failed <<- failed || bad
  cat(sprintf("  %-34s largest difference %.2e over %d values (tolerance %.0e)%s\n", what, d, sum(ok), tolerance,
              if (bad) "  FAILED" else ""))
}

cat(sprintf("eRm check: %d sessions x %d items, %d answers missing\n", nrow(X), ncol(X), sum(is.na(X))))
rm <- RM(X)  # betapar: easiness, sum 0
check("item difficulty (logits)", analysed$rasch_b, -unname(rm$betapar), 1e-3)
check("its standard error", analysed$rasch_se, unname(rm$se.beta), 1e-3)
check("conditional log-likelihood", tests$rasch_log_likelihood, rm$loglik, 1e-3)

pp <- person.parameter(rm)
# complete sessions: ML ability per raw score (eRm interpolates the extreme scores: left out)
complete <- rowSums(is.na(X)) == 0
tt <- pp$theta.table[rownames(X)[complete], ]
tt <- tt[!tt$Interpolated, ]
raw <- rowSums(X[rownames(tt), , drop = FALSE])
check("person ability, ML", scores$ability_mle[match(raw, scores$score)], tt[, 1], 1e-3)

ifit <- itemfit(pp)
check("item outfit mean square", analysed$outfit, unname(ifit$i.outfitMSQ), 1e-3)
check("item infit mean square", analysed$infit, unname(ifit$i.infitMSQ), 1e-3)
check("item outfit t", analysed$outfit_t, unname(ifit$i.outfitZ), 1e-2)
check("item infit t", analysed$infit_t, unname(ifit$i.infitZ), 1e-2)
pf <- personfit(pp)
at <- match(names(pf$p.infitMSQ), sessions$session)
check("person outfit mean square", sessions$outfit[at], unname(pf$p.outfitMSQ), 1e-3)
check("person infit mean square", sessions$infit[at], unname(pf$p.infitMSQ), 1e-3)
check("person separation reliability", tests$separation_reliability, SepRel(pp)$sep.rel, 1e-3)

# eRm's own median split ranks sessions with missing answers differently: pass the split
lr <- LRtest(rm, splitcr = as.integer(high[rownames(X)]))
check("Andersen LR", tests$andersen_lr, lr$LR, 1e-2)
if (all(!is.na(X)))
  check("Andersen LR (eRm's median split)", tests$andersen_lr, LRtest(rm, splitcr = "median")$LR, 1e-2)
check("its degrees of freedom", tests$andersen_df, lr$df, 0)
check("its p", tests$andersen_p, lr$pvalue, 1e-4)

# Mantel-Haenszel between the two DIF groups (the builds, or the attribute's
# values with --by): complete sessions, strata by raw score
if (nzchar(tests$dif_groups)) {
  group <- sessions$dif_group[match(rownames(X), sessions$session)]
  groups <- sort(unique(group[nzchar(group)]))
  inside <- complete & nzchar(group)
  Xc <- X[inside, , drop = FALSE]; g <- factor(group[inside], levels = groups)
  total <- rowSums(Xc)
  chi2 <- odds <- rep(NA_real_, ncol(Xc))
  for (i in seq_len(ncol(Xc))) {
    keep <- total %in% names(which(tapply(g, total, function(x) length(unique(x)) == 2 && length(x) >= 2)))
    tab <- table(g[keep], factor(Xc[keep, i], levels = c(1, 0)), total[keep])
    mh <- mantelhaen.test(tab, correct = TRUE)
    chi2[i] <- unname(mh$statistic); odds[i] <- unname(mh$estimate)
  }
  cat("  DIF groups:", tests$dif_groups, "\n")
  check("Mantel-Haenszel chi-square", analysed$dif_chi2, chi2, 1e-3)
  check("Mantel-Haenszel odds ratio", analysed$dif_odds_ratio, odds, 1e-3)
  # the ETS class from R's figures: C when |delta| >= 1.5 and p < 0.05, B when |delta| >= 1 and p < 0.05
  delta <- -2.35 * log(odds); p <- pchisq(chi2, 1, lower.tail = FALSE)
  ets <- ifelse(p >= 0.05 | abs(delta) < 1, "A", ifelse(abs(delta) >= 1.5, "C", "B"))
  if (any(analysed$dif_ets != ets, na.rm = TRUE)) {
    cat("  ETS classes FAILED: differ from R's on items", analysed$item[which(analysed$dif_ets != ets)], "\n")
    failed <- TRUE
  } else cat(sprintf("  ETS classes agree on %d items (%d B, %d C)\n", sum(!is.na(ets)), sum(ets == "B", na.rm = TRUE),
                     sum(ets == "C", na.rm = TRUE)))
} else {
  cat("  no DIF groups in the tables: Mantel-Haenszel not compared\n")
  failed <- TRUE
}

# Andersen's test between the attribute's two groups (--by), and its
# per-item z against eRm's Wald test on the same split
if (!is.na(tests$by) && nzchar(tests$by)) {
  group <- sessions$dif_group[match(rownames(X), sessions$session)]
  inside <- nzchar(group)
  rm_by <- if (all(inside)) rm else RM(X[inside, , drop = FALSE])
  split <- as.integer(factor(group[inside], levels = sort(unique(group[inside])))) - 1L
  lr_by <- LRtest(rm_by, splitcr = split)
  check(paste("Andersen LR by", tests$by), tests$andersen_by_lr, lr_by$LR, 1e-2)
  check("its degrees of freedom", tests$andersen_by_df, lr_by$df, 0)
  check("its p", tests$andersen_by_p, lr_by$pvalue, 1e-4)
  wald <- Waldtest(rm_by, splitcr = split)
  check("per-item z (eRm's Wald test)", analysed$andersen_by_z, unname(wald$coef.table[, 1]), 1e-2)
}
if (failed) quit(status = 1)
cat("eRm check: every statistic within its tolerance\n")
