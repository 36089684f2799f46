"""Prints the identifier this installation was downloaded with, if the package left one.

The installer may write it to a file named "download-id" beside the application's
resources (one line). Without one, nothing is printed and the application uses its own
machine-derived identifier.
"""
import os
import sys


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    path = os.path.join(os.path.dirname(here), "download-id")
    try:
        with open(path, encoding="utf-8") as f:
            sys.stdout.write(f.readline().strip())
    except OSError:
        pass


if __name__ == "__main__":
    main()
