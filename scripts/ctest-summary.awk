# Filters ctest's output (run with --output-on-failure) down to what a person reads: every test
# that did not pass, with its output in full, and ctest's closing lines, where a long list of
# skipped tests becomes a count. Ends with one line: LABEL: N passed, N failed, N skipped.
# Variables: label (the stage's name), logfile (where the whole output is kept).

function flush_skipped() {
  if (nskipped_listed == 0) return
  if (nskipped_listed <= 10) {
    print "The following tests did not run:"
    for (i = 1; i <= nskipped_listed; i++) print skipped_lines[i]
  } else {
    print nskipped_listed " tests did not run (skipped or disabled); their names are in " logfile
  }
  nskipped_listed = 0
}

/^Internal ctest changing into directory/ || /^Test project / { next }
/^ *Start +[0-9]+: / { next }
/^ *[0-9]+\/[0-9]+ +Test +#[0-9]+: / {
  if ($0 ~ / Passed +[0-9.]+ sec$/ || $0 ~ /\*\*\*Skipped/ || $0 ~ /\*\*\*Not Run \(Disabled\)/) {
    show = 0
  } else {
    show = 1
    print
  }
  next
}
/tests passed, [0-9]+ tests? failed out of [0-9]+/ {
  closing = 1
  show = 0
  total = $NF
  match($0, /[0-9]+ tests? failed/)
  failed = substr($0, RSTART, RLENGTH) + 0
}
closing {
  if ($0 ~ /^$/) next
  if ($0 ~ /^The following tests did not run:/) { in_skipped = 1; next }
  if (in_skipped && $0 ~ /^\t/) {
    skipped_lines[++nskipped_listed] = $0
    if ($0 ~ /\(Skipped\)$/) skipped_in_total++
    else not_counted++
    next
  }
  in_skipped = 0
  flush_skipped()
  print
  next
}
show { print }
END {
  flush_skipped()
  if (closing) {
    print label ": " (total - failed - skipped_in_total) " passed, " failed " failed, " \
      (skipped_in_total + not_counted) " skipped"
  }
}
