"""Generators for the pictures, music, help and text files that ship with Vistrel.

Standard library only, so that a clean clone builds everything with a plain python3.
"""
