Stand-in for the Firebird runtime file udf/ib_udf2.sql in the sample distribution of the setup program; not a working file.
