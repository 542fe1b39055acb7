"""The installation medium that scripts/make-medium.sh builds: the publisher's content folder and its
rules, the setup program's, the disc's capacity, the image xorriso writes with the start-up files
first, and the tree printed at the end."""
