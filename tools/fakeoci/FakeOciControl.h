#pragma once
// The control interface of the stand-in client library (fakeoci), for tests: C entry points that
// every build variant exports beside the client library's own, and FakeOciControl, which binds
// them from the handle of the loaded library (ora::OCILibrary after LoadOCI).
//
//   fakeoci_reset()              back to the start: database, sessions' state, scripts, settings,
//                                call log, injected failures, holds and delays
//   fakeoci_exec(sql)            runs SQLite SQL on the stand-in's database (seeding tables);
//                                0, or SQLite's error code
//   fakeoci_query(sql, buffer, size)  the first column of the first row of an SQLite query, its
//                                bytes as they are (empty for NULL or no row); returns its full
//                                length. LOB_DATA(id) and LOB_LENGTH(id) read a LOB column
//   fakeoci_set(name, value)     a setting: "banner" (OCIServerVersion's text), "version" (the
//                                server version the version block gives), "char_length" (bytes
//                                per character the NLS block gives), "nls_date_format",
//                                "nls_date_language", "nls_timestamp_format",
//                                "nls_timestamp_tz_format" (a new session's values),
//                                "unterminated_texts" ("1": texts are copied out without a
//                                terminator, filling the caller's buffer), "directory_<ALIAS>"
//                                (the folder of a BFILE directory alias), "long_pieces"
//                                ("polling": LONG values move through the piece information
//                                calls even when bind callbacks are registered),
//                                "lob_reads_empty" ("1": every LOB read gives no bytes);
//                                "error_records" ("none": a failed call leaves no error record;
//                                "bare": its record has neither error number nor text);
//                                "type:<NAME>" an object type ("OBJECT(A VARCHAR2(10), B NUMBER,
//                                C OTHER_T, D REF X_T)" with " NOT FINAL" or not, "TABLE OF
//                                <type>", "VARRAY(n) OF <type>"), "objtable:<TABLE>" the type of
//                                an object table (see Objects.h for the values); "lie_row_count"
//                                and "lie_lengths" (n: row counts and returned lengths, LOB read
//                                amounts among them, reported n too high); "lie_collection_size" (n: collection sizes reported n
//                                elements too many); "define_indicator_step" ("1": a dynamic
//                                define's indicator is written 2 bytes further per row, as 8.1.6
//                                to 8.x clients do); "logical_rowid" (key bytes: the ROWID of an
//                                insert is a logical one with them, as an index-organised
//                                table's)
//   fakeoci_script(match, answer) from now on, statements whose text contains match (any case) get
//                                the answer (the latest script that matches wins):
//                                "error <code> <text>" ("error <code> offset=<n> <text>" also
//                                reports the parse-error offset n), "sql <SQLite text>" (run
//                                instead, with the same binds), "out NAME=value;NAME2;..."
//                                (PL/SQL out binds; a name without "=" is NULL), "outsql
//                                <SQLite query>" (the out binds take the first row's columns of
//                                the same names), "cursor NAME=<SQLite query>" (the cursor bound
//                                as NAME is opened on the query), "sleep <ms>" (the execution
//                                takes ms milliseconds and then succeeds; a break of its session,
//                                also one that came while the session had no call, ends it at
//                                once with ORA-01013, and fakeoci_wait_held sees it) or "ok". An
//                                object or collection bind reads and is filled as its JSON text,
//                                a REF as "TABLE:rowid", a PL/SQL index-by table as a JSON array
//                                of its current elements (filling one sets its current count)
//   fakeoci_fail(entry, nth, code, text)  the nth call of entry from now fails with ORA-<code>
//                                (nth 0: every call; code 0 takes the failure back)
//   fakeoci_delay(entry, ms)     every call of entry waits ms milliseconds first, or, with ms < 0,
//                                until its session is broken (OCIBreak, obreak) or released; a
//                                broken wait fails with ORA-01013
//   fakeoci_wait_held(ms)        waits until some call waits in a delay; 1 when one does, 0 after
//                                ms milliseconds (a safety net, not a clock for the test)
//   fakeoci_release()            lets every waiting call go on
//   fakeoci_log(buffer, size)    the call log, one line per call ("OCIAttrSet htype=9 attr=22
//                                value=scott") and per piece or bind callback the library moved
//                                ("in-bind callback L piece=1 length=65514"); returns its full
//                                length
//   fakeoci_log_clear()
//   fakeoci_live_handles(type)   handles and descriptors alive of a type (0: all)
#include <dlfcn.h>

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

extern "C" {
using fakeoci_reset_t = void (*)();
using fakeoci_exec_t = int (*)(const char* sql);
using fakeoci_query_t = std::size_t (*)(const char* sql, char* buffer, std::size_t size);
using fakeoci_set_t = void (*)(const char* name, const char* value);
using fakeoci_script_t = void (*)(const char* match, const char* answer);
using fakeoci_fail_t = void (*)(const char* entry, int nth, int code, const char* text);
using fakeoci_delay_t = void (*)(const char* entry, int ms);
using fakeoci_wait_held_t = int (*)(int ms);
using fakeoci_release_t = void (*)();
using fakeoci_log_t = std::size_t (*)(char* buffer, std::size_t size);
using fakeoci_log_clear_t = void (*)();
using fakeoci_live_handles_t = int (*)(unsigned type);
}

struct FakeOciControl {
  fakeoci_reset_t reset = nullptr;
  fakeoci_exec_t exec = nullptr;
  fakeoci_query_t query = nullptr;
  fakeoci_set_t set = nullptr;
  fakeoci_script_t script = nullptr;
  fakeoci_fail_t fail = nullptr;
  fakeoci_delay_t delay = nullptr;
  fakeoci_wait_held_t waitHeld = nullptr;
  fakeoci_release_t release = nullptr;
  fakeoci_log_t log = nullptr;
  fakeoci_log_clear_t logClear = nullptr;
  fakeoci_live_handles_t liveHandles = nullptr;

  // Binds every control entry from a loaded stand-in; throws when one is missing.
  static FakeOciControl Bind(void* library) {
    FakeOciControl c;
    auto get = [library](const char* name) {
      void* p = library ? ::dlsym(library, name) : nullptr;
      if (!p) throw std::runtime_error(std::string("not a fakeoci library: no ") + name);
      return p;
    };
    c.reset = reinterpret_cast<fakeoci_reset_t>(get("fakeoci_reset"));
    c.exec = reinterpret_cast<fakeoci_exec_t>(get("fakeoci_exec"));
    c.query = reinterpret_cast<fakeoci_query_t>(get("fakeoci_query"));
    c.set = reinterpret_cast<fakeoci_set_t>(get("fakeoci_set"));
    c.script = reinterpret_cast<fakeoci_script_t>(get("fakeoci_script"));
    c.fail = reinterpret_cast<fakeoci_fail_t>(get("fakeoci_fail"));
    c.delay = reinterpret_cast<fakeoci_delay_t>(get("fakeoci_delay"));
    c.waitHeld = reinterpret_cast<fakeoci_wait_held_t>(get("fakeoci_wait_held"));
    c.release = reinterpret_cast<fakeoci_release_t>(get("fakeoci_release"));
    c.log = reinterpret_cast<fakeoci_log_t>(get("fakeoci_log"));
    c.logClear = reinterpret_cast<fakeoci_log_clear_t>(get("fakeoci_log_clear"));
    c.liveHandles = reinterpret_cast<fakeoci_live_handles_t>(get("fakeoci_live_handles"));
    return c;
  }

  // The first value an SQLite query gives, as bytes.
  std::string Query(const std::string& sql) const {
    std::string value(query(sql.c_str(), nullptr, 0), '\0');
    query(sql.c_str(), value.data(), value.size() + 1);
    return value;
  }

  // The call log as lines.
  std::vector<std::string> Lines() const {
    std::string text(log(nullptr, 0), '\0');
    log(text.data(), text.size() + 1);
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      lines.push_back(text.substr(start, end - start));
      start = end + 1;
    }
    return lines;
  }
};
