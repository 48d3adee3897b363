-- Every spelling of the numeric and boolean types, and values written as
-- loosely as PostgreSQL's input functions allow.
CREATE DOMAIN Percent AS NUMERIC(5,2) CHECK (VALUE >= 0);
CREATE DOMAIN small_percent AS Percent CHECK (VALUE < 10);
CREATE TYPE Colour AS ENUM ('Red', 'green', 'it''s blue');

CREATE TABLE Spellings (
    a SMALLINT, b int2, c Integer, d INT, e int4, f BigInt, g int8,
    h smallserial, i SERIAL, j bigserial, k serial2, l serial4, m serial8,
    n OID, o REAL, p float4, q Double Precision, r float8, s FLOAT, t float(10), u Float(30),
    v NUMERIC, w decimal, x numeric(7), y numeric(10,2), z DECIMAL(5,1),
    aa BOOLEAN, ab bool, ac int[], ad INTEGER ARRAY, ae small_percent, af Colour
);

-- The serial columns (h to m) are left to their sequences, except in the
-- row that lists every column.
INSERT INTO Spellings (a, b, c, d, e, f, g, n, o, p, q, r, s, t, u, v, w, x, y, z, aa, ab, ac, ad, ae, af)
VALUES
    (' +1', '-2 ', '  3  ', +4, -5, '+9223372036854775807', ' -9223372036854775808', '4294967295',
     '1.5e3', '-2.5E-3', '1e308', '1E-310', ' 2.5 ', 'Infinity', '-inf',
     '1e3', '-0.000', 2.5, 1.005, -0.05, 'y', 'OFF', '{1,2}', '{3,NULL}', 9.994, 'it''s blue'),
    ('-32768', '32767', '-2147483648', 2147483647, '007', '0', -1, '-1',
     'nAn', '-INFINITY', '-0', '4.9e-324', 'inF', 0.1, 0.1,
     'NaN', '-Infinity', -2.5, '  12.345  ', '99.95', '1', ' no ', '{}', '{-7,8}', '0', 'Red');
INSERT INTO Spellings VALUES
    (0, 0, 0, 0, 0, 0, 0, 32767, -1, 9223372036854775807, 1, 1, 1,
     0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, ' TRUE ', 'f', NULL, NULL, NULL, NULL);

INSERT INTO Spellings (a, o, q, v, y, aa, af) VALUES
    (10, 16777217, 9007199254740993, 123456789012345678901234567890.5, -0.005, 'Of', 'green'),
    (11, '3.4028235e38', '1.7976931348623157e308', '.5', '+.25', 'yes', NULL);
