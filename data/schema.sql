-- The library: categories and types are read only for the program; scripts and their
-- related-file rows are what the user edits.
CREATE TABLE categorias (
    id          INTEGER PRIMARY KEY AUTOINCREMENT,
    id_padre    INTEGER NOT NULL DEFAULT 0,
    nombre      TEXT NOT NULL COLLATE NOCASE,
    descripcion TEXT
);
CREATE INDEX categorias_por_padre ON categorias (id_padre, nombre);
CREATE INDEX categorias_por_nombre ON categorias (nombre);

CREATE TABLE tipos (
    id     INTEGER PRIMARY KEY AUTOINCREMENT,
    nombre TEXT NOT NULL COLLATE NOCASE
);
CREATE INDEX tipos_por_nombre ON tipos (nombre);

CREATE TABLE scripts (
    id             INTEGER PRIMARY KEY AUTOINCREMENT,
    id_categoria   INTEGER NOT NULL,
    id_tipo        INTEGER NOT NULL,
    nombre         TEXT NOT NULL COLLATE NOCASE,
    navegadores    TEXT,
    script_head    TEXT,
    script_body    TEXT,
    script_html    TEXT,
    script_ayuda   TEXT,
    nombre_fichero TEXT
);
CREATE INDEX scripts_por_nombre ON scripts (nombre);
CREATE INDEX scripts_por_categoria ON scripts (id_categoria, nombre);

CREATE TABLE ficheros (
    id        INTEGER PRIMARY KEY AUTOINCREMENT,
    id_script INTEGER NOT NULL,
    nombre    TEXT NOT NULL
);
CREATE INDEX ficheros_por_script ON ficheros (id_script);
CREATE INDEX ficheros_por_nombre ON ficheros (nombre);
