#!/bin/sh
# Seeds for the fuzzers: the first 128 KB (catalogue, table definitions and
# usually the first data pages; the whole of the smallest) of a few fixtures of
# every layout. Made from the shared fixtures on demand, never kept in the
# repository.
# Usage: make_seed_corpus.sh FIXTURES_DIR OUTPUT_DIR
set -eu
fixtures=$1
out=$2
mkdir -p "$out"
for file in real/jet3_types.mdb real/jet3_ole_memo.mdb real/jet3_deleted_column.mdb real/jet3_gbk_text.mdb \
            real/jet3_overflow_rows.mdb real/jet3_query_kinds.mdb \
            real/jet4_decimal.mdb real/jet4_unicode_comp.mdb real/jet4_ole_memo.mdb real/ace12_long_text.accdb \
            real/ace12_complex_columns.accdb real/ace16_bigint.accdb real/ace17_ext_date.accdb; do
  if [ -f "$fixtures/$file" ]; then
    head -c 131072 "$fixtures/$file" > "$out/$(basename "$file").head"
  fi
done
