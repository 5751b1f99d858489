# Puts one row into the campaign table of fuzz/README.md, the rows kept in target order:
#   awk -v row="| TARGET | DATE | SECONDS | EXECUTIONS | EDGES | FINDINGS |" -v target=TARGET \
#       -f scripts/fuzz_campaign_table.awk fuzz/README.md
# The table lies between the lines "<!-- campaigns -->" and "<!-- end of campaigns -->", its
# rows after the header's rule; the target's row is replaced, or added where its name belongs.
# Everything else stays as it is.
/^<!-- campaigns -->$/ { inTable = 1 }
inTable && /^<!-- end of campaigns -->$/ {
    if (!done) print row
    done = 1
    inTable = inRows = 0
}
inRows && /^\| / {
    split($0, cells, " ")
    if (cells[2] == target) { print row; done = 1; next }
    if (!done && cells[2] > target) { print row; done = 1 }
}
inTable && /^\|---/ { inRows = 1 }
{ print }
