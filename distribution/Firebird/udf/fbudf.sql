Stand-in for the Firebird runtime file udf/fbudf.sql in the sample distribution of the setup program; not a working file.
