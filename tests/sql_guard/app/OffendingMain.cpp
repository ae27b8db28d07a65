#include "core/data/UserSchema.h"
#include <QtCore>
void prepare() {
    exec("PRAGMA foreign_keys = ON");
    exec("create table t (a)");
    exec("UPDATE t SET a = 1");
    exec("INSERT INTO t VALUES (1)");
}
