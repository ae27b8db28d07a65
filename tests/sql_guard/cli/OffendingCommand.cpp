const QString total = Sql::quoted(name);
const char* const kRemove = "a\nDELETE FROM x WHERE ID = ?";
