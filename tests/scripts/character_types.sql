SET client_encoding = 'WIN1252';
-- Fixed- and limited-length strings from a Windows editor: every byte above
-- 127 is one WIN1252 character, and a COPY escape's bytes are the
-- server's own encoding, UTF-8.

CREATE TABLE villes (
    code    char(4),
    nom     varchar(12),
    pays    character(2),
    note    text,
    sigle   bpchar,
    marque  "char"
);

INSERT INTO villes VALUES
    ('PAR', 'Paris   ', 'FR', N'capitale  ', N'P ', 'p'),
    ('LYÉ', N'Lyon ', N'F', 'deux  blancs  ', 'L  ', 'l'),
    (N'NCE  ', 'Nice ', 'FR', (N'b '), N'N'::bpchar, 'n'),
    ('€UR   ', 'Zürich        ', 'CH', CAST(N'x ' AS text), 'abc'::char(2), 'z'),
    ('AB', N'ab '::varchar(2), 'abc '::char(2), 'abcdef'::char(3), char 'c  ', 'a');

COPY villes (code, nom, pays, note) FROM stdin;
caf\303\251\040\040	Sa\303\243o Paulo  	\303\251	née \x2d \342\202\254
ÉTÉ	Malmö\040\040\040	SE	\N
\.

\copy villes (code, nom) from stdin with (format csv)
"É,"  ,"Mons     "
\.
