/**
 * Table anchors
 */

anchors(1,2,0,12).
anchors(1,3,1,7).
anchors(2,1,0,25).
anchors(4,1,3,9).
/* (4 entrees) */


/**
 * Table depths
 */

depths(0).
depths(1).
depths(2).
depths(3).
/* (4 entrees) */


/**
 * Table files
 */

files('index.html','https://www.example.org/index.html',5120).
files('logo.png','https://www.example.org/img/logo.png',20480).
files('rapport_2026.pdf','https://docs.example.fr/rapport_2026.pdf',1048576).
files('robots.txt','https://www.example.org/robots.txt',1048576).
/* (4 entrees) */


/**
 * Table hits
 */

hits(1,20261201,340).
hits(1,20261202,298).
hits(2,20261201,17).
/* (3 entrees) */


/**
 * Table inlinks
 */

inlinks(1,'https://www.example.org/','https://www.example.org/about',3).
inlinks(2,'https://blog.example.net/post/42','https://www.example.org/',1).
inlinks(3,'https://www.example.org/about','https://docs.example.fr/l\'eau.html',2).
/* (3 entrees) */


/**
 * Table mimetypes
 */

mimetypes('text/html',1520).
mimetypes('image/png',310).
mimetypes('application/pdf',42).
/* (3 entrees) */


/**
 * Table pages
 */

pages(1,'https://www.example.org/',200,5120).
pages(2,'https://www.example.org/about',200,8192).
pages(3,'https://www.example.org/old',301,0).
pages(4,'https://www.example.org/missing',404,512).
/* (4 entrees) */


/**
 * Table proxies
 */

proxies('proxy1.example.net',3128).
proxies('proxy2.example.net',8080).
/* (2 entrees) */


/**
 * Table robots_exclusions
 */

/* (2 entrees) */


/**
 * Table sites
 */

sites('https://www.example.org/',1).
sites('https://blog.example.net/',2).
sites('https://docs.example.fr/',3).
/* (3 entrees) */


/**
 * Table timings
 */

timings(1,12,140).
timings(2,15,95).
timings(3,11,30).
timings(4,9,2500).
/* (4 entrees) */


