-- Data loaded by COPY with its options, as people paste exports from
-- other tools into a script.
CREATE TABLE country (
    id         integer PRIMARY KEY,
    name       text NOT NULL,
    code       char(2),
    population bigint DEFAULT 0
);
COPY country (name, code, id) FROM stdin DELIMITER '|';
France|FR|1
Côte d'Ivoire|CI|2
tab\there, pipe\|too|TT|3
Nowhere|\N|4
back\\slash \101\x42|BS|5
\.

CREATE TABLE survey (id int, answer text, score numeric, x text, note text);
COPY survey FROM stdin WITH (FORMAT csv, HEADER true, NULL 'NA', QUOTE '''', FORCE_NULL (x));
id,answer,score,x,note
1,'yes, I do',4.5,'',plain
2,'it''s ''quoted''',NA,'NA','NA'
3,'line one
line two',-1e2,,
4,"double",0.1,NA,NA
\.

CREATE TABLE notes (id int, body text, tag text, extra text DEFAULT 'none');
COPY notes (id, body, tag) FROM stdin WITH CSV HEADER QUOTE AS '"';
id,body,tag
1,"a, b",""
2,"say ""hi""",
3,"multi
line ""x"" \.
end",x
4,\N,"NULL"
\.

CREATE TABLE parts (id int, label text, spare text);
COPY parts FROM stdin WITH (FORMAT csv, DELIMITER ';', ESCAPE '\', FORCE_NOT_NULL (spare));
1;"semi;colon";
2;"quote \" and \\";""
\.

CREATE TABLE readings (sensor text, value double precision, unit text DEFAULT 'C');
COPY readings (sensor, value) FROM stdin WITH (NULL '');
a	1.5
b	
	-0
\N	1e-5
\.
