// The floor a `tavo-cli calc --project ID` process is measured against: one process that opens the
// user database file with SQLite's own API and, in one transaction, reads the project's result rows
// (Auswertung, bBvB and bWvB of the project, gBvB of its municipality), deletes them and inserts the
// same rows again. Nothing is calculated and no master data is read: what is left is what writing
// the results costs at the least. Run it as a whole process, e.g. with hyperfine (see BENCHMARKS.md):
//
//     build/bench/bench_calc_floor FILE ID
//
// Prints the number of rows written; exit code 1 on an error.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <sqlite3.h>

namespace {

struct Failure {
    std::string message;
};

void check(sqlite3* db, int rc, int expected = SQLITE_OK) {
    if (rc != expected)
        throw Failure{sqlite3_errmsg(db)};
}

void exec(sqlite3* db, const char* sql) {
    check(db, sqlite3_exec(db, sql, nullptr, nullptr, nullptr));
}

sqlite3_stmt* prepare(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    check(db, sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr));
    return statement;
}

// Reads every row of table whose column keyColumn equals key, deletes them and inserts them again.
// Returns the number of rows.
std::size_t rewrite(sqlite3* db, const char* table, const char* keyColumn, sqlite3_int64 key) {
    const std::string where = std::string(" FROM \"") + table + "\" WHERE \"" + keyColumn + "\" = ?";
    sqlite3_stmt* select = prepare(db, "SELECT *" + where);
    sqlite3_bind_int64(select, 1, key);
    const int columns = sqlite3_column_count(select);
    std::vector<sqlite3_value*> values;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(select)) == SQLITE_ROW)
        for (int i = 0; i < columns; ++i)
            values.push_back(sqlite3_value_dup(sqlite3_column_value(select, i)));
    check(db, rc, SQLITE_DONE);
    sqlite3_finalize(select);

    sqlite3_stmt* remove = prepare(db, "DELETE" + where);
    sqlite3_bind_int64(remove, 1, key);
    check(db, sqlite3_step(remove), SQLITE_DONE);
    sqlite3_finalize(remove);

    std::string marks;
    for (int i = 0; i < columns; ++i)
        marks += i == 0 ? "?" : ",?";
    sqlite3_stmt* insert = prepare(db, std::string("INSERT INTO \"") + table + "\" VALUES (" + marks + ")");
    const std::size_t rows = columns > 0 ? values.size() / static_cast<std::size_t>(columns) : 0;
    for (std::size_t row = 0; row < rows; ++row) {
        for (int i = 0; i < columns; ++i)
            sqlite3_bind_value(insert, i + 1, values[row * static_cast<std::size_t>(columns) + i]);
        check(db, sqlite3_step(insert), SQLITE_DONE);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    for (sqlite3_value* value : values)
        sqlite3_value_free(value);
    return rows;
}

sqlite3_int64 municipalityOf(sqlite3* db, sqlite3_int64 project) {
    sqlite3_stmt* query = prepare(db, "SELECT \"PG\" FROM \"TAVO\" WHERE \"ID\" = ?");
    sqlite3_bind_int64(query, 1, project);
    if (sqlite3_step(query) != SQLITE_ROW)
        throw Failure{"no such project"};
    const sqlite3_int64 pg = sqlite3_column_int64(query, 0);
    sqlite3_finalize(query);
    return pg;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_calc_floor USER_DB PROJECT_ID\n");
        return 2;
    }
    const sqlite3_int64 project = std::strtoll(argv[2], nullptr, 10);
    sqlite3* db = nullptr;
    try {
        check(db, sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READWRITE, nullptr));
        exec(db, "BEGIN IMMEDIATE");
        const sqlite3_int64 pg = municipalityOf(db, project);
        std::size_t rows = rewrite(db, "Auswertung", "TAVO", project);
        rows += rewrite(db, "bBvB", "TAVO", project);
        rows += rewrite(db, "bWvB", "TAVO", project);
        rows += rewrite(db, "gBvB", "PG", pg);
        exec(db, "COMMIT");
        std::printf("%zu rows\n", rows);
    } catch (const Failure& failure) {
        std::fprintf(stderr, "bench_calc_floor: %s\n", failure.message.c_str());
        sqlite3_close(db);
        return 1;
    }
    sqlite3_close(db);
    return 0;
}
