# Times R's kohonen package on the data that bench_batch trains on, and prints
# a Markdown table of both per sample visit. `./run bench-peers` runs it:
#   Rscript kohonen.R <folder> <bench_batch JSON>
# <folder> holds what peer_data writes: datasets.csv and one CSV per data set.
#
# kohonen's `som` trains a rectangular map of the data set's size for 30
# epochs (rlen 30) in batch mode, which runs on one thread ("pbatch" is the
# threaded one), and on the smaller baskets in online mode too. Only `som` is
# timed, median of a few runs, in processor time: for one thread that is its
# wall-clock time on an idle machine, and other processes on a busy one
# hardly change it. keep.data = FALSE leaves out the mapping of the data
# after training. One-hot columns are NA where a variable is missing: with
# maxNA.fraction above 0 kohonen leaves NA entries out of its distances and
# averages and drops rows with more NA than that fraction, so 0.99 drops only
# the vote sample with every vote missing, which kohonen cannot place.
# Our figure is 30 batch epochs on one thread over the samples, as kohonen's
# rlen, the median of bench_batch's repetitions, in processor time of the
# whole process.
suppressPackageStartupMessages(library(kohonen))

args <- commandArgs(trailingOnly = TRUE)
if (length(args) != 2) stop("usage: Rscript kohonen.R <folder> <bench_batch JSON>")
folder <- args[1]
epochs <- 30

# Microseconds per sample visit of kohonen's `som` in `mode`: processor time
# (user and system) and wall-clock time, medians over the runs. A run trains
# as many maps as make some 300,000 visits, since the processor time is
# counted in steps of milliseconds.
kohonen_per_visit <- function(x, rows, cols, mode) {
  runs <- if (nrow(x) > 10000) 1 else 5
  maps <- max(1, round(3e5 / (epochs * nrow(x))))
  times <- matrix(0, runs, 2, dimnames = list(NULL, c("cpu", "wall")))
  for (r in seq_len(runs)) {
    set.seed(r)
    t <- system.time(for (m in seq_len(maps))
      map <- som(x, grid = somgrid(cols, rows, "rectangular"), rlen = epochs, mode = mode,
                 maxNA.fraction = if (anyNA(x)) 0.99 else 0L, keep.data = FALSE))
    times[r, ] <- c(t[["user.self"]] + t[["sys.self"]], t[["elapsed"]])
  }
  visits <- maps * epochs * (nrow(x) - length(map$na.rows))
  1e6 * apply(times, 2, median) / visits
}

# Microseconds per sample visit of our one-thread batch training on data set `index`
# over `samples`: processor time and wall-clock time, the medians of bench_batch's
# repetitions, from its JSON output (one field a line, times in milliseconds).
ours_per_visit <- function(lines, index, samples) {
  name <- sprintf("\"name\": \"Batch/data:%d/threads:1/[a-z_/]*real_time_median\"", index)
  at <- grep(name, lines)
  if (length(at) == 0) return(c(cpu = NA, wall = NA))
  field <- function(key) {
    found <- grep(sprintf("\"%s\":", key), lines)
    as.numeric(sub(".*: *([0-9.eE+-]+),?.*", "\\1", lines[min(found[found > at[1]])]))
  }
  epochs <- 30  # bench_batch's kBatchEpochs
  1e3 * c(cpu = field("cpu_time"), wall = field("real_time")) / (samples * epochs)
}

data_sets <- read.csv(file.path(folder, "datasets.csv"), stringsAsFactors = FALSE)
ours_json <- readLines(args[2])
rows <- list()
for (k in seq_len(nrow(data_sets))) {
  set <- data_sets[k, ]
  message("kohonen: ", set$name)
  x <- as.matrix(read.csv(file.path(folder, set$file)))
  batch <- kohonen_per_visit(x, set$rows, set$cols, "batch")
  online <- if (set$name == "basket-4600") kohonen_per_visit(x, set$rows, set$cols, "online") else c(cpu = NA)
  ours <- ours_per_visit(ours_json, set$index, set$samples)
  rows[[k]] <- sprintf("| %s | %d x %d | %s | %.2f | %.2f | %.2f | %s | %.2f |", set$name, set$rows, set$cols,
                       format(set$samples, big.mark = ","), ours[["cpu"]], batch[["cpu"]],
                       ours[["cpu"]] / batch[["cpu"]],
                       if (is.na(online[["cpu"]])) "-" else sprintf("%.2f", online[["cpu"]]),
                       ours[["wall"]] / batch[["wall"]])
}

cat(sprintf("# Batch training per sample visit: Tavrix against kohonen %s\n\n", packageVersion("kohonen")))
cat("Microseconds of processor time per sample visit, one thread; the last column compares wall-clock",
    "times. Tavrix: 30 batch epochs (bench_batch), median of 3. kohonen: `som`, rectangular map, 30 epochs,",
    "median of 5 runs (1 on 100,000 samples) of some 300,000 visits or one map.\n\n")
cat("| data | map | samples | Tavrix batch | kohonen batch | Tavrix / kohonen | kohonen online |",
    "Tavrix / kohonen, wall clock |\n")
cat("|---|---|---:|---:|---:|---:|---:|---:|\n")
cat(unlist(rows), sep = "\n")
cat("\n")
