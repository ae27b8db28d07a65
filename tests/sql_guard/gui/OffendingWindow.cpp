void load() {
    query.exec(QStringLiteral("Select ID\nfrom TAVO"));
}
