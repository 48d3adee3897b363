--
-- PostgreSQL database dump
--

-- Dumped from database version 15.18 (Debian 15.18-0+deb12u1)
-- Dumped by pg_dump version 15.18 (Debian 15.18-0+deb12u1)

SET statement_timeout = 0;
SET lock_timeout = 0;
SET idle_in_transaction_session_timeout = 0;
SET client_encoding = 'UTF8';
SET standard_conforming_strings = on;
SELECT pg_catalog.set_config('search_path', '', false);
SET check_function_bodies = false;
SET xmloption = content;
SET client_min_messages = warning;
SET row_security = off;

SET default_tablespace = '';

SET default_table_access_method = heap;

--
-- Name: anchors; Type: TABLE; Schema: public; Owner: crawler
--

CREATE TABLE public.anchors (
    src_id integer NOT NULL,
    dst_id integer NOT NULL,
    pos integer,
    len integer
);


ALTER TABLE public.anchors OWNER TO crawler;

--
-- Name: depths; Type: TABLE; Schema: public; Owner: crawler
--

CREATE TABLE public.depths (
    level integer NOT NULL
);


ALTER TABLE public.depths OWNER TO crawler;

--
-- Name: files; Type: TABLE; Schema: public; Owner: crawler
--

CREATE TABLE public.files (
    name text NOT NULL,
    url text NOT NULL,
    size bigint
);


ALTER TABLE public.files OWNER TO crawler;

--
-- Name: hits; Type: TABLE; Schema: public; Owner: crawler
--

CREATE TABLE public.hits (
    page_id integer NOT NULL,
    day integer NOT NULL,
    count integer
);


ALTER TABLE public.hits OWNER TO crawler;

--
-- Name: inlinks; Type: TABLE; Schema: public; Owner: crawler
--

CREATE TABLE public.inlinks (
    id integer NOT NULL,
    src_url text,
    dst_url text,
    weight integer
);


ALTER TABLE public.inlinks OWNER TO crawler;

--
-- Name: mimetypes; Type: TABLE; Schema: public; Owner: crawler
--

CREATE TABLE public.mimetypes (
    type text NOT NULL,
    count integer
);


ALTER TABLE public.mimetypes OWNER TO crawler;

--
-- Name: pages; Type: TABLE; Schema: public; Owner: crawler
--

CREATE TABLE public.pages (
    id integer NOT NULL,
    url text NOT NULL,
    status integer,
    size integer
);


ALTER TABLE public.pages OWNER TO crawler;

--
-- Name: proxies; Type: TABLE; Schema: public; Owner: crawler
--

CREATE TABLE public.proxies (
    host text NOT NULL,
    port integer
);


ALTER TABLE public.proxies OWNER TO crawler;

--
-- Name: robots_exclusions; Type: TABLE; Schema: public; Owner: crawler
--

CREATE TABLE public.robots_exclusions (
    site_id integer NOT NULL,
    path text
);


ALTER TABLE public.robots_exclusions OWNER TO crawler;

--
-- Name: sites; Type: TABLE; Schema: public; Owner: crawler
--

CREATE TABLE public.sites (
    url text NOT NULL,
    id integer NOT NULL
);


ALTER TABLE public.sites OWNER TO crawler;

--
-- Name: TABLE sites; Type: COMMENT; Schema: public; Owner: crawler
--

COMMENT ON TABLE public.sites IS 'Sites the crawler starts from';


--
-- Name: timings; Type: TABLE; Schema: public; Owner: crawler
--

CREATE TABLE public.timings (
    page_id integer NOT NULL,
    connect_ms integer,
    total_ms integer
);


ALTER TABLE public.timings OWNER TO crawler;

--
-- Data for Name: anchors; Type: TABLE DATA; Schema: public; Owner: crawler
--

COPY public.anchors (src_id, dst_id, pos, len) FROM stdin;
1	2	0	12
1	3	1	7
2	1	0	25
4	1	3	9
\.


--
-- Data for Name: depths; Type: TABLE DATA; Schema: public; Owner: crawler
--

COPY public.depths (level) FROM stdin;
0
1
2
3
\.


--
-- Data for Name: files; Type: TABLE DATA; Schema: public; Owner: crawler
--

COPY public.files (name, url, size) FROM stdin;
index.html	https://www.example.org/index.html	5120
logo.png	https://www.example.org/img/logo.png	20480
rapport_2026.pdf	https://docs.example.fr/rapport_2026.pdf	1048576
robots.txt	https://www.example.org/robots.txt	\N
\.


--
-- Data for Name: hits; Type: TABLE DATA; Schema: public; Owner: crawler
--

COPY public.hits (page_id, day, count) FROM stdin;
1	20261201	340
1	20261202	298
2	20261201	17
\.


--
-- Data for Name: inlinks; Type: TABLE DATA; Schema: public; Owner: crawler
--

COPY public.inlinks (id, src_url, dst_url, weight) FROM stdin;
1	https://www.example.org/	https://www.example.org/about	3
2	https://blog.example.net/post/42	https://www.example.org/	1
3	https://www.example.org/about	https://docs.example.fr/l'eau.html	2
\.


--
-- Data for Name: mimetypes; Type: TABLE DATA; Schema: public; Owner: crawler
--

COPY public.mimetypes (type, count) FROM stdin;
text/html	1520
image/png	310
application/pdf	42
\.


--
-- Data for Name: pages; Type: TABLE DATA; Schema: public; Owner: crawler
--

COPY public.pages (id, url, status, size) FROM stdin;
1	https://www.example.org/	200	5120
2	https://www.example.org/about	200	8192
3	https://www.example.org/old	301	0
4	https://www.example.org/missing	404	512
\.


--
-- Data for Name: proxies; Type: TABLE DATA; Schema: public; Owner: crawler
--

COPY public.proxies (host, port) FROM stdin;
proxy1.example.net	3128
proxy2.example.net	8080
\.


--
-- Data for Name: robots_exclusions; Type: TABLE DATA; Schema: public; Owner: crawler
--

COPY public.robots_exclusions (site_id, path) FROM stdin;
1	/private/
2	/wp-admin/
\.


--
-- Data for Name: sites; Type: TABLE DATA; Schema: public; Owner: crawler
--

COPY public.sites (url, id) FROM stdin;
https://www.example.org/	1
https://blog.example.net/	2
https://docs.example.fr/	3
\.


--
-- Data for Name: timings; Type: TABLE DATA; Schema: public; Owner: crawler
--

COPY public.timings (page_id, connect_ms, total_ms) FROM stdin;
1	12	140
2	15	95
3	11	30
4	9	2500
\.


--
-- Name: anchors anchors_pkey; Type: CONSTRAINT; Schema: public; Owner: crawler
--

ALTER TABLE ONLY public.anchors
    ADD CONSTRAINT anchors_pkey PRIMARY KEY (src_id);


--
-- Name: depths depths_pkey; Type: CONSTRAINT; Schema: public; Owner: crawler
--

ALTER TABLE ONLY public.depths
    ADD CONSTRAINT depths_pkey PRIMARY KEY (level);


--
-- Name: files files_pkey; Type: CONSTRAINT; Schema: public; Owner: crawler
--

ALTER TABLE ONLY public.files
    ADD CONSTRAINT files_pkey PRIMARY KEY (name);


--
-- Name: hits hits_pkey; Type: CONSTRAINT; Schema: public; Owner: crawler
--

ALTER TABLE ONLY public.hits
    ADD CONSTRAINT hits_pkey PRIMARY KEY (page_id);


--
-- Name: inlinks inlinks_pkey; Type: CONSTRAINT; Schema: public; Owner: crawler
--

ALTER TABLE ONLY public.inlinks
    ADD CONSTRAINT inlinks_pkey PRIMARY KEY (id);


--
-- Name: mimetypes mimetypes_pkey; Type: CONSTRAINT; Schema: public; Owner: crawler
--

ALTER TABLE ONLY public.mimetypes
    ADD CONSTRAINT mimetypes_pkey PRIMARY KEY (type);


--
-- Name: pages pages_pkey; Type: CONSTRAINT; Schema: public; Owner: crawler
--

ALTER TABLE ONLY public.pages
    ADD CONSTRAINT pages_pkey PRIMARY KEY (id);


--
-- Name: proxies proxies_pkey; Type: CONSTRAINT; Schema: public; Owner: crawler
--

ALTER TABLE ONLY public.proxies
    ADD CONSTRAINT proxies_pkey PRIMARY KEY (host);


--
-- Name: robots_exclusions robots_exclusions_pkey; Type: CONSTRAINT; Schema: public; Owner: crawler
--

ALTER TABLE ONLY public.robots_exclusions
    ADD CONSTRAINT robots_exclusions_pkey PRIMARY KEY (site_id);


--
-- Name: sites sites_pkey; Type: CONSTRAINT; Schema: public; Owner: crawler
--

ALTER TABLE ONLY public.sites
    ADD CONSTRAINT sites_pkey PRIMARY KEY (url);


--
-- Name: timings timings_pkey; Type: CONSTRAINT; Schema: public; Owner: crawler
--

ALTER TABLE ONLY public.timings
    ADD CONSTRAINT timings_pkey PRIMARY KEY (page_id);


--
-- PostgreSQL database dump complete
--

