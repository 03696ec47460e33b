// Prints what mdb-reader reads from an Access file as JSON, so that tests can
// compare our own files with an independent reader:
//   node dump_mdb.mjs FILE [--system]
// {"tables":[{"name","columns":[{"name","type","size"}],"rowCount","rows":[[...]]} or {"name","error"}]}
// Values: null, strings as stored, numbers and booleans as text, dates as ISO
// text, binary as lower-case hex.
import { readFileSync } from "node:fs";
import MDBReader from "mdb-reader";

function render(value) {
  if (value === null || value === undefined) return null;
  if (Buffer.isBuffer(value)) return value.toString("hex");
  if (value instanceof Date) return value.toISOString();
  // A damaged text may hold half a surrogate pair, which JSON readers refuse.
  return String(value).toWellFormed();
}

const [file, flag] = process.argv.slice(2);
const reader = new MDBReader(readFileSync(file));
function dumpTable(name) {
  const table = reader.getTable(name);
  const columns = table.getColumns().map((c) => ({ name: c.name.toWellFormed(), type: c.type, size: c.size }));
  const rows = table.getData().map((row) => columns.map((c) => render(row[c.name])));
  return { name: name.toWellFormed(), columns, rowCount: table.rowCount, rows };
}

// A table mdb-reader cannot read (an Access-internal column type) is reported, not fatal.
const tables = reader.getTableNames({ normalTables: true, systemTables: flag === "--system" }).map((name) => {
  try {
    return dumpTable(name);
  } catch (error) {
    return { name: name.toWellFormed(), error: String(error.message) };
  }
});
process.stdout.write(JSON.stringify({ tables }));
