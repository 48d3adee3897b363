SET client_encoding = 'LATIN1';
-- A French address book saved by an editor set to ISO-8859-1: every byte
-- above 127 here is one LATIN1 character.

CREATE TABLE élèves (
    id      integer PRIMARY KEY,
    prénom  varchar(30),
    "Ville" text,
    note    numeric(4,1),
    reçu    boolean
);

INSERT INTO élèves (id, prénom, "Ville", note, reçu) VALUES
    (1, 'Zoé', 'Besançon', 15.5, true),
    (2, 'Anaïs', 'Orléans', 9, false),
    (3, 'Jérôme', E'Saint-\u00c9tienne', NULL, NULL),
    (4, 'Ægir', '« ici » ½ ¿ ÿ', 20, 't');

CREATE TABLE "Matières" (
    code    char(3),
    libellé text
);
COPY "Matières" (code, libellé) FROM stdin;
FRA	Français
MAT	Mathématiques
HGé	Histoire-géographie\tet éducation civique
NUL	\N
\.
INSERT INTO "Matières" VALUES ('ÉPS', U&'\00e9ducation physique'), ('µµµ', '°±²³´');
